#include "support/corpus.h"

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace pwtest {

std::filesystem::path corpusDir() {
    const char* dir = std::getenv("PAGEWRIGHT_CORPUS");
    return dir && *dir ? std::filesystem::absolute(dir) : std::filesystem::path();
}

std::filesystem::path realworldDir() {
    const char* dir = std::getenv("PAGEWRIGHT_REALWORLD");
    return dir && *dir ? std::filesystem::absolute(dir) : std::filesystem::path();
}

const std::vector<std::string>& corpusNames() {
    static const std::vector<std::string> names = {
        "ahq_zhengzhuan_pg25332.txt", "duanhong_lingyanji_pg23983.txt", "hongloumeng_pg24264.txt",
        "sanguo_pg23950.txt",         "shuihu_pg23863.txt",             "xiyouji_pg23962.txt",
    };
    return names;
}

std::string readAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + p.string());
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void writeAll(const std::filesystem::path& p, std::string_view bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + p.string());
}

ScratchDir::ScratchDir() {
    std::random_device rd;
    m_path = std::filesystem::temp_directory_path() / ("pagewright-test-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(m_path);
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

} // namespace pwtest

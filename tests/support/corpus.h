#pragma once
// Shared test helpers: where the real novels are, if anywhere, and scratch folders on the real disk.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace pwtest {

// The folder of real novels (with utf8/ and gb18030/ in it) that PAGEWRIGHT_CORPUS names; empty when
// it is not set, and the tests that need the novels skip.
std::filesystem::path corpusDir();
inline constexpr const char* kNoCorpus = "PAGEWRIGHT_CORPUS is not set";
// The folder of real downloads that PAGEWRIGHT_REALWORLD names (tests/realworld/manifest.json says
// where each came from); empty when it is not set, and the real-world suite skips.
std::filesystem::path realworldDir();
inline constexpr const char* kNoRealworld = "PAGEWRIGHT_REALWORLD is not set";
// The six novels' file names (the same in utf8/ and gb18030/).
const std::vector<std::string>& corpusNames();

std::string readAll(const std::filesystem::path& p);
void writeAll(const std::filesystem::path& p, std::string_view bytes);

// A fresh folder under the system's temp folder, removed when the object goes.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / std::filesystem::u8path(name); }

private:
    std::filesystem::path m_path;
};

} // namespace pwtest

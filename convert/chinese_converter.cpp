#include "convert/chinese_converter.h"

#include <opencc/opencc.h>

#include <algorithm>
#include <filesystem>

namespace pw {

namespace {

// Where Debian's opencc-data puts the configurations; the library looks there too.
#ifndef PAGEWRIGHT_OPENCC_DATA
#define PAGEWRIGHT_OPENCC_DATA "/usr/share/opencc"
#endif

} // namespace

std::string conversionName(std::string_view name) {
    std::string n(name);
    if (n.size() > 5 && n.ends_with(".json")) n.resize(n.size() - 5);
    return n;
}

std::vector<std::string> installedConversions() {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(PAGEWRIGHT_OPENCC_DATA, ec))
        if (entry.path().extension() == ".json") names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

bool isInstalledConversion(std::string_view name) {
    const std::vector<std::string> all = installedConversions();
    return std::find(all.begin(), all.end(), conversionName(name)) != all.end();
}

std::string conversionLanguage(std::string_view name) {
    const std::string n = conversionName(name);
    const std::size_t two = n.find('2');
    const std::string target = two == std::string::npos ? n : n.substr(two + 1);
    if (target == "s" || target == "sp") return "zh-CN";
    if (target == "hk") return "zh-HK";
    if (target == "jp") return "ja";
    return "zh-TW"; // t, tw, twp
}

ChineseConverter::ChineseConverter(std::string name, std::unique_ptr<opencc::SimpleConverter> c)
    : m_name(std::move(name)), m_converter(std::move(c)) {}

ChineseConverter::~ChineseConverter() = default;

std::shared_ptr<const ChineseConverter> ChineseConverter::open(std::string_view name) {
    const std::string n = conversionName(name);
    if (!isInstalledConversion(n)) return nullptr;
    try {
        auto c = std::make_unique<opencc::SimpleConverter>(std::string(PAGEWRIGHT_OPENCC_DATA) + "/" + n + ".json");
        return std::shared_ptr<const ChineseConverter>(new ChineseConverter(n, std::move(c)));
    } catch (const std::exception&) {
        return nullptr;
    }
}

std::string ChineseConverter::convert(std::string_view utf8) const {
    if (utf8.empty()) return {};
    try {
        return m_converter->Convert(utf8.data(), utf8.size());
    } catch (const std::exception&) {
        // OpenCC refuses text that is not UTF-8, which decoded lines never are: left as it is
        // rather than ending the run (or a converting thread) over it.
        return std::string(utf8);
    }
}

} // namespace pw

#include "options/settings.h"

#include "platform/numeric.h"
#include "platform/paths.h"

namespace pw {

const SettingsTable& shippedSettings() {
    static const SettingsTable table = {
        {101, u"default"},
        {102, kDefaultOutName},
        {103, kDefaultPattern},
        {104, decimal(kDefaultChapters)},
        {105, u"1"},
        {106, u"2"},
        {107, u"true"},
        {108, u"false"},
        {109, u"true"},
    };
    return table;
}

namespace {

// A numeric setting: its value, or `fallback` when it is below `least` or does not fit
// in 32 bits (an unusable value gets the same fallback as a too-small one).
std::int32_t numberOr(TextView text, std::int32_t least, std::int32_t fallback) {
    const auto v = numericValue32(text);
    if (!v || *v < least) return fallback;
    return *v;
}

} // namespace

std::optional<Text> loadSettings(const SettingsTable& table, TextView appDir, WorkingState& state) {
    for (int id = 101; id <= 108; ++id) {
        if (!table.count(id)) return u"程序的设置表缺少第 " + decimal(id) + u" 项，无法启动！";
    }
    const auto at = [&](int id) -> const Text& { return table.at(id); };

    // 101: output folder. Only an existing folder is taken; a file of that name is no folder.
    Text dir = trimSpaces(at(101));
    if (dir == u"default" || dir.empty() || !isFolder(dir)) dir = Text(appDir);
    if (!endsWithSeparator(dir)) dir.push_back(kSeparator);
    state.strOutDir = dir;

    state.strOutName = trimSpaces(at(102));
    if (state.strOutName.empty()) state.strOutName = kDefaultOutName;

    state.strFindStr = trimSpaces(at(103));
    if (state.strFindStr.empty()) state.strFindStr = kDefaultPattern;

    state.lngChapsPerFile = numberOr(at(104), 1, kDefaultChapters);
    state.lngStartNum = numberOr(at(105), 0, 1);
    state.lngNumWidth = numberOr(at(106), 0, 2);
    state.blnDeleteSpc = at(107) == u"true";
    state.blnDoEvents = at(108) == u"true";
    return std::nullopt;
}

} // namespace pw

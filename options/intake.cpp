#include "options/intake.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "options/settings.h"
#include "platform/numeric.h"
#include "platform/paths.h"

namespace pw {

namespace {

// The intake's own texts, together.
constexpr char16_t kNoInputFile[] = u"请重新选择文件！";
constexpr char16_t kNoOutDir[] = u"请选择输出目录！";
constexpr char16_t kOfferCreate[] = u"目录不存在，创建吗？";
constexpr char16_t kBadOutName[] = u"输出文件名不正确！";
constexpr char16_t kCreateFailed[] = u"创建目录失败：";
constexpr char16_t kNotAFolder[] = u"输出路径是一个文件，不是目录：";
constexpr char16_t kNameNumberTooBig[] = u"输出文件名中的编号太大（最大 2147483647）！";
constexpr char16_t kCountOutOfRange[] = u"每个文件的章数超出范围（1 到 2147483647）！";

// The folder without its trailing separators, so that "x/" names the same thing as "x";
// a root ("/", "C:\") keeps its separator, or it would name another folder.
Text bareFolder(TextView dir) {
    Text s(dir);
    const auto isRoot = [](const Text& t) {
        return t.size() == 1 || (t.size() == 3 && t[1] == u':'); // "/" or "C:\"
    };
    while (s.size() > 1 && endsWithSeparator(s) && !isRoot(s))
        s.pop_back();
    return s;
}

enum class FolderKind { Folder, Other, Missing };

FolderKind folderKind(const std::filesystem::path& p) {
    std::error_code ec;
    const auto st = std::filesystem::status(p, ec);
    if (std::filesystem::is_directory(st)) return FolderKind::Folder;
    if (std::filesystem::exists(st)) return FolderKind::Other;
    // Not found, or not even searchable: creating it will tell the user why.
    return FolderKind::Missing;
}

// Step 3: the folder must exist, or be created when the user agrees, with any folders above it
// that are missing too (as mkdir -p does).
bool ensureFolder(TextView dir, UiPort& ui) {
    const Text bare = bareFolder(dir);
    const std::filesystem::path p = toPath(bare);
    switch (folderKind(p)) {
    case FolderKind::Folder:
        return true;
    case FolderKind::Other:
        // Accepting a file here would only fail later, when the first output file is made.
        ui.messageBox({MsgId::OutDirIsFile, kNotAFolder + Text(dir)});
        return false;
    case FolderKind::Missing:
        break;
    }
    if (ui.messageBox({MsgId::OfferCreateFolder, kOfferCreate}) != MsgAnswer::Yes) return false;
    std::error_code ec;
    std::filesystem::create_directories(p, ec);
    if (ec) {
        ui.messageBox({MsgId::CreateFolderFailed, kCreateFailed + Text(dir) + u"（" + reasonText(ec) + u"）"});
        return false;
    }
    return true;
}

Text withoutForbiddenChars(TextView s) {
    Text out;
    out.reserve(s.size());
    for (char16_t c : s)
        if (!isForbiddenNameChar(c)) out.push_back(c);
    return out;
}

} // namespace

bool CheckOptions(const OptionFields& fields, std::int32_t lngResetColour, WorkingState& state, UiPort& ui,
                  FieldWriteBacks& writeBacks) {
    // 1. The input file.
    state.strInFile = trimSpaces(fields.txtFile);
    if (state.strInFile.empty()) {
        ui.messageBox({MsgId::NoInputFile, kNoInputFile});
        return false;
    }

    // 2 and 3. The output folder, which must be a folder by the time we go on.
    state.strOutDir = trimSpaces(fields.txtOut);
    if (state.strOutDir.empty()) {
        ui.messageBox({MsgId::NoOutDir, kNoOutDir});
        return false;
    }
    if (!ensureFolder(state.strOutDir, ui)) return false;

    // 4 and 5. The output name: trimmed first, then cleaned, so a blank between two
    // forbidden characters survives as the name.
    state.strOutName = withoutForbiddenChars(trimSpaces(fields.txtFileOut));
    if (state.strOutName.empty()) {
        ui.messageBox({MsgId::BadOutName, kBadOutName});
        return false;
    }
    writeBacks.txtFileOut = state.strOutName;

    // 6. Everything from the first ASCII digit on is the number; its length is the width.
    const auto digit = std::find_if(state.strOutName.begin(), state.strOutName.end(),
                                    [](char16_t c) { return c >= u'0' && c <= u'9'; });
    if (digit != state.strOutName.end()) {
        const Text rest(digit, state.strOutName.end());
        const auto start = numericValue32(rest);
        if (!start) {
            ui.messageBox({MsgId::NameNumberTooBig, kNameNumberTooBig});
            return false;
        }
        state.lngStartNum = *start;
        state.lngNumWidth = static_cast<std::int32_t>(std::min<std::size_t>(rest.size(), 2147483647u));
        state.strOutName.erase(static_cast<std::size_t>(digit - state.strOutName.begin()));
    } else {
        state.lngStartNum = 1;
        state.lngNumWidth = 2;
    }

    // 7. A blank pattern is no error: the default takes its place.
    state.strFindStr = trimSpaces(fields.txtFindStr);
    if (state.strFindStr.empty()) {
        state.strFindStr = kDefaultPattern;
        writeBacks.txtFindStr = state.strFindStr;
    }

    // 8. The count is read as typed; below 1 it becomes the default, outside 32 bits it is refused.
    const auto count = numericValue32(fields.txtNum);
    if (!count) {
        ui.messageBox({MsgId::CountOutOfRange, kCountOutOfRange});
        return false;
    }
    state.lngChapsPerFile = *count;
    if (state.lngChapsPerFile < 1) {
        state.lngChapsPerFile = kDefaultChapters;
        writeBacks.txtNum = decimal(kDefaultChapters);
    }

    // 9. A greyed box counts as ticked.
    state.blnDeleteSpc = fields.chkDeleteSpc != 0;
    state.blnDoEvents = fields.chkDoEvents != 0;
    state.outputEncoding = fields.outputEncoding;

    // 10. A new scan begins: the file field's warning no longer applies.
    if (lngResetColour == 1) writeBacks.txtFileWhite = true;
    return true;
}

InputFileVerdict judgeInputFile(TextView path) {
    if (path.size() <= 3) return InputFileVerdict::Ignore;
    const TextView tail = path.substr(path.size() - 4);
    if (tail == u".inf" || tail == u".ini" || tail == u".txt") return InputFileVerdict::Accept;
    return InputFileVerdict::Refuse;
}

} // namespace pw

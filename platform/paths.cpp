#include "platform/paths.h"

#include <cerrno>
#include <cstring>
#include <system_error>
#include <unicode/utf16.h>
#include <unicode/utf8.h>
#include <utility>

namespace pw {

namespace {

constexpr char16_t kEscapeBase = 0xDC00; // + a byte from 0x80 to 0xFF

} // namespace

Text fromNativeBytes(std::string_view bytes) {
    Text out;
    out.reserve(bytes.size());
    const auto* s = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const auto n = static_cast<std::int32_t>(bytes.size());
    for (std::int32_t i = 0; i < n;) {
        const std::int32_t start = i;
        UChar32 c = 0;
        U8_NEXT(s, i, n, c);
        if (c >= 0) {
            UChar units[2];
            std::int32_t len = 0;
            U16_APPEND_UNSAFE(units, len, c);
            out.append(reinterpret_cast<const char16_t*>(units), static_cast<std::size_t>(len));
        } else {
            // An ill-formed sequence never swallows an ASCII byte: each of its bytes is >= 0x80.
            for (std::int32_t k = start; k < i; ++k)
                out.push_back(static_cast<char16_t>(kEscapeBase + s[k]));
        }
    }
    return out;
}

std::string toNativeBytes(TextView text) {
    std::string out;
    out.reserve(text.size() * 3);
    const auto n = static_cast<std::int32_t>(text.size());
    for (std::int32_t i = 0; i < n;) {
        UChar32 c = 0;
        U16_NEXT(text.data(), i, n, c);
        if (c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF) {
            out.push_back(static_cast<char>(c - kEscapeBase));
            continue;
        }
        if (U_IS_SURROGATE(c)) c = 0xFFFD; // any other lone half has no bytes of its own
        std::uint8_t units[4];
        std::int32_t len = 0;
        U8_APPEND_UNSAFE(units, len, c);
        out.append(reinterpret_cast<const char*>(units), static_cast<std::size_t>(len));
    }
    return out;
}

std::filesystem::path toPath(TextView s) {
    return std::filesystem::path(toNativeBytes(s));
}
Text fromPath(const std::filesystem::path& p) {
    return fromNativeBytes(p.native());
}

bool isRegularFile(TextView path) {
    if (path.empty()) return false;
    std::error_code ec;
    return std::filesystem::is_regular_file(toPath(path), ec);
}

bool isFolder(TextView path) {
    if (path.empty()) return false;
    std::error_code ec;
    return std::filesystem::is_directory(toPath(path), ec);
}

bool endsWithSeparator(TextView path) {
    return !path.empty() && path.back() == kSeparator;
}

Text reasonText(const std::error_code& ec) {
    // The causes a user meets and can act on, in the program's own language; anything rarer
    // keeps the system's words, which are at least exact.
    static constexpr std::pair<std::errc, const char16_t*> kSaid[] = {
        {std::errc::permission_denied, u"没有权限"},
        {std::errc::operation_not_permitted, u"没有权限"},
        {std::errc::no_space_on_device, u"磁盘空间不足"},
        {std::errc::read_only_file_system, u"文件系统是只读的"},
        {std::errc::file_exists, u"文件已存在"},
        {std::errc::no_such_file_or_directory, u"文件或文件夹不存在"},
        {std::errc::is_a_directory, u"这是一个文件夹"},
        {std::errc::not_a_directory, u"路径中有一项不是文件夹"},
        {std::errc::too_many_files_open, u"打开的文件太多"},
        {std::errc::too_many_files_open_in_system, u"系统打开的文件太多"},
        {std::errc::file_too_large, u"文件太大"},
        {std::errc::io_error, u"读写出错（I/O 错误）"},
    };
    if (ec.category() == std::generic_category() || ec.category() == std::system_category()) {
#ifdef EDQUOT
        if (ec.value() == EDQUOT) return u"超出磁盘配额";
#endif
        const std::error_condition cond = ec.default_error_condition();
        for (const auto& [errc, said] : kSaid)
            if (cond == errc) return said;
    }
    return u"系统错误：" + fromUtf8(ec.message());
}

Text reasonFromErrno(int err) {
    return reasonText(std::error_code(err, std::generic_category()));
}

} // namespace pw

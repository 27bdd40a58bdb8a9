#pragma once
// Decoded text (UTF-8) into any encoding the program reads. A character the target cannot
// hold (Big5 has no 国) is written as a mark (〓, or □ where the target lacks 〓) and counted,
// so nothing goes silently.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/encoding.h"

namespace pw {

class TextEncoder {
public:
    explicit TextEncoder(Encoding target);
    ~TextEncoder();
    TextEncoder(const TextEncoder&) = delete;
    TextEncoder& operator=(const TextEncoder&) = delete;

    Encoding target() const { return m_target; }
    // Appends `utf8` in the target's bytes to `out`.
    void encode(std::string_view utf8, std::string& out);
    // Characters written as the mark so far.
    std::int64_t unmappable() const { return m_unmappable; }
    // The mark, as UTF-8.
    const std::string& mark() const { return m_mark; }

private:
    struct Impl;
    Encoding m_target;
    std::unique_ptr<Impl> m_impl; // none for UTF-8, which is copied
    std::int64_t m_unmappable = 0;
    std::string m_mark = "〓";
};

} // namespace pw

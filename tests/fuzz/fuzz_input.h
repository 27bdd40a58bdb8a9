#pragma once
// What the fuzz targets share: the entry point libFuzzer calls, and a reader that takes a few
// control bytes off the front of an input before the rest is used as text.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/ui_port.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace pwfuzz {

// A check of a property the code promises; aborting makes libFuzzer keep the input as a crash.
#define PW_FUZZ_CHECK(cond)                                                                                            \
    do {                                                                                                               \
        if (!(cond)) {                                                                                                 \
            __builtin_trap();                                                                                          \
        }                                                                                                              \
    } while (0)

// Answers every question No and shows nothing: a fuzzer's input must not make folders or
// replace files because a box said yes.
class NoUi : public pw::UiPort {
public:
    pw::MsgAnswer messageBox(const pw::Message& msg) override {
        return msg.isQuestion() ? pw::MsgAnswer::No : pw::MsgAnswer::Ok;
    }
    void setStatus(pw::TextView) override {}
    void setProgress(int) override {}
    void pumpEvents() override {}
};

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : m_rest(reinterpret_cast<const char*>(data), size) {}
    // The next byte, 0 once nothing is left.
    std::uint8_t byte() {
        if (m_rest.empty()) return 0;
        const auto b = static_cast<std::uint8_t>(m_rest.front());
        m_rest.remove_prefix(1);
        return b;
    }
    // Up to the next `separator` (dropped), or all that is left.
    std::string_view field(char separator) {
        const std::size_t at = m_rest.find(separator);
        const std::string_view f = m_rest.substr(0, at);
        m_rest.remove_prefix(at == std::string_view::npos ? m_rest.size() : at + 1);
        return f;
    }
    std::string_view rest() const { return m_rest; }

private:
    std::string_view m_rest;
};

} // namespace pwfuzz

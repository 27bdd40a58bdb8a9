#include "encoders/output_encoder.h"

#include <string>

#include "encoders/text_encoder.h"
#include "platform/transcoder.h"

namespace pw {

namespace {

// UTF-16 readers take a file without its mark for something else, so each file gets one.
std::string_view markOf(Encoding e) {
    const EncodingTraits& t = traitsOf(e);
    return t.unitWidth > 1 ? t.bom : std::string_view();
}

bool putEncoded(TextEncoder& encoder, std::string& buffer, std::string_view utf8, ByteWriter& out) {
    buffer.clear();
    encoder.encode(utf8, buffer);
    return out.write(buffer);
}

// The input's bytes as they were read; only line ends are made CR LF. Changed text goes back
// into the input's encoding.
class KeepBytes : public OutputEncoder {
public:
    explicit KeepBytes(Encoding input) : m_traits(traitsOf(input)), m_text(input) {}
    Encoding encoding() const override { return m_traits.encoding; }
    std::string_view lineEnd() const override { return m_traits.crlf; }
    // A UTF-8 mark stays where the input had it, at the start of line 1.
    std::string_view fileMark() const override { return markOf(m_traits.encoding); }
    bool keepsInputMark() const override { return fileMark().empty(); }
    bool copiesInput() const override { return true; }
    bool put(std::string_view bytes, ByteWriter& out) override { return out.write(bytes); }
    bool putText(std::string_view utf8, ByteWriter& out) override { return putEncoded(m_text, m_buffer, utf8, out); }
    std::int64_t unmappable() const override { return m_text.unmappable(); }
    std::string_view unmappableMark() const override { return m_text.mark(); }

private:
    const EncodingTraits& m_traits;
    TextEncoder m_text;
    std::string m_buffer;
};

// Another encoding than the input's: the input's bytes decoded, then encoded; UTF-8 without a
// mark, UTF-16 with one in every file.
class Convert : public OutputEncoder {
public:
    Convert(Encoding input, Encoding target) : m_decoder(input), m_text(target) {}
    Encoding encoding() const override { return m_text.target(); }
    std::string_view lineEnd() const override { return traitsOf(m_text.target()).crlf; }
    std::string_view fileMark() const override { return markOf(m_text.target()); }
    bool keepsInputMark() const override { return false; }
    bool put(std::string_view bytes, ByteWriter& out) override {
        return m_decoder.convert(bytes, [&](std::string_view utf8) { return putText(utf8, out); });
    }
    bool putText(std::string_view utf8, ByteWriter& out) override {
        if (m_text.target() == Encoding::Utf8) return out.write(utf8);
        return putEncoded(m_text, m_buffer, utf8, out);
    }
    std::int64_t replaced() const override { return m_decoder.replaced(); }
    std::int64_t unmappable() const override { return m_text.unmappable(); }
    std::string_view unmappableMark() const override { return m_text.mark(); }

private:
    Utf8Transcoder m_decoder;
    TextEncoder m_text;
    std::string m_buffer;
};

std::optional<Encoding> targetOf(OutputEncoding choice) {
    switch (choice) {
    case OutputEncoding::Keep:
        return std::nullopt;
    case OutputEncoding::Utf8:
        return Encoding::Utf8;
    case OutputEncoding::Gb18030:
        return Encoding::Gb18030;
    case OutputEncoding::Big5:
        return Encoding::Big5;
    case OutputEncoding::Utf16Le:
        return Encoding::Utf16Le;
    case OutputEncoding::Utf16Be:
        return Encoding::Utf16Be;
    }
    return std::nullopt;
}

} // namespace

Encoding outputEncodingFor(OutputEncoding choice, Encoding input) {
    return targetOf(choice).value_or(input);
}

std::unique_ptr<OutputEncoder> makeOutputEncoder(OutputEncoding choice, Encoding input) {
    const auto target = targetOf(choice);
    // UTF-8 asked of a UTF-8 input still goes through the decoder: it promises well-formed
    // UTF-8 without a mark. Any other encoding asked of itself keeps the bytes as they are.
    if (!target || (*target == input && input != Encoding::Utf8)) return std::make_unique<KeepBytes>(input);
    return std::make_unique<Convert>(input, *target);
}

} // namespace pw

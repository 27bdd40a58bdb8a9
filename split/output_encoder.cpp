#include "split/output_encoder.h"

#include "platform/transcoder.h"

namespace pw {

namespace {

// The input's bytes as they were read; only line ends are made CR LF.
class KeepBytes : public OutputEncoder {
public:
    explicit KeepBytes(Encoding input) : m_traits(traitsOf(input)) {}
    Encoding encoding() const override { return m_traits.encoding; }
    std::string_view lineEnd() const override { return m_traits.crlf; }
    // Most readers take a UTF-16 file without its mark for something else, so each file
    // gets one; a UTF-8 mark stays where the input had it, at the start of line 1.
    std::string_view fileMark() const override { return m_traits.unitWidth > 1 ? m_traits.bom : std::string_view(); }
    bool keepsInputMark() const override { return fileMark().empty(); }
    bool put(std::string_view bytes, ByteWriter& out) override { return out.write(bytes); }

private:
    const EncodingTraits& m_traits;
};

// UTF-8 without a mark, whatever the input was.
class ToUtf8 : public OutputEncoder {
public:
    explicit ToUtf8(Encoding input) : m_transcoder(input) {}
    Encoding encoding() const override { return Encoding::Utf8; }
    std::string_view lineEnd() const override { return traitsOf(Encoding::Utf8).crlf; }
    std::string_view fileMark() const override { return {}; }
    bool keepsInputMark() const override { return false; }
    bool put(std::string_view bytes, ByteWriter& out) override {
        return m_transcoder.convert(bytes, [&out](std::string_view piece) { return out.write(piece); });
    }
    std::int64_t replaced() const override { return m_transcoder.replaced(); }

private:
    Utf8Transcoder m_transcoder;
};

} // namespace

std::unique_ptr<OutputEncoder> makeOutputEncoder(OutputEncoding choice, Encoding input) {
    switch (choice) {
    case OutputEncoding::Utf8:
        return std::make_unique<ToUtf8>(input);
    case OutputEncoding::Keep:
        break;
    }
    return std::make_unique<KeepBytes>(input);
}

} // namespace pw

#pragma once
// One line of the input as the walk hands it out: its bytes, what it is in the book's shape
// (a kept heading, text, a blank line), where it stands, and its text, decoded once, when a
// stage or a format first asks. A stage that changes the text gives the line new text; the
// input's bytes then no longer say what goes out.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/transcoder.h"

namespace pw {

enum class LineRole : std::uint8_t {
    Body,    // a line of text
    Blank,   // nothing but spaces and ideographic spaces (only handed out when blank lines are kept)
    Heading,   // the first line of kept chapter k (k >= 1)
    Separator, // a scene break: a row of marks (-, *, ＊, ~, —…), as a stage finds it
};

// Decodes lines to UTF-8 for the walk's run, counting the bytes that do not decode.
class LineDecoder {
public:
    explicit LineDecoder(Encoding input) : m_transcoder(input) {}
    // Returns how many byte sequences of this line did not decode.
    std::int64_t decode(std::string_view bytes, std::string& out) {
        out.clear();
        const std::int64_t before = m_transcoder.replaced();
        m_transcoder.convert(bytes, [&out](std::string_view piece) {
            out.append(piece);
            return true;
        });
        return m_transcoder.replaced() - before;
    }
    // Undecodable byte sequences so far, each now one U+FFFD.
    std::int64_t replaced() const { return m_transcoder.replaced(); }

private:
    Utf8Transcoder m_transcoder;
};

class Line {
public:
    Line() = default;
    Line(std::string_view bytes, LineRole role, std::int64_t number, std::int64_t chapter, LineDecoder* decoder)
        : m_bytes(bytes), m_decoder(decoder), m_number(number), m_chapter(chapter), m_role(role) {}

    // The next line in the same object: its text's buffer is kept, so a walk allocates once.
    void reset(std::string_view bytes, LineRole role, std::int64_t number, std::int64_t chapter) {
        m_bytes = bytes;
        m_mark = {};
        m_role = role;
        m_number = number;
        m_chapter = chapter;
        m_decoded = m_changed = m_volume = false;
        m_replaced = 0;
        m_ended = true;
    }

    // In the input's encoding, without the line's end (and without the input's byte-order mark).
    std::string_view bytes() const { return m_bytes; }
    LineRole role() const { return m_role; }
    // From 1, as the scan counts them.
    std::int64_t number() const { return m_number; }
    // The chapter it belongs to: 0 before the first kept heading, else k.
    std::int64_t chapter() const { return m_chapter; }
    // A heading that the volume rule picks out: the book puts the chapters after it under it.
    bool volume() const { return m_volume; }
    // The input ended it with CR LF, LF or CR (only the input's last line may lack one).
    bool ended() const { return m_ended; }
    // The input's byte-order mark, before line 1 only; empty elsewhere.
    std::string_view mark() const { return m_mark; }

    // The text as UTF-8: decoded on first use, or as a stage left it.
    const std::string& text() const {
        if (!m_decoded) {
            m_replaced = m_decoder->decode(m_bytes, m_text);
            m_decoded = true;
        }
        return m_text;
    }
    // Byte sequences of the line that did not decode: U+FFFD in its text.
    std::int64_t replaced() const {
        (void)text();
        return m_replaced;
    }
    // Whether a stage changed the text: the input's bytes no longer stand for it.
    bool changed() const { return m_changed; }

    void setText(std::string text) {
        (void)this->text(); // what did not decode stays counted
        m_text = std::move(text);
        m_decoded = true;
        m_changed = true;
    }
    // Text made of several lines: `replaced` counts what did not decode in all of them.
    void setText(std::string text, std::int64_t replaced) {
        m_text = std::move(text);
        m_replaced = replaced;
        m_decoded = true;
        m_changed = true;
    }
    // The same line with its bytes (and mark) held elsewhere: a stage that keeps a line past
    // the walk's next read keeps a copy of them.
    void setBytes(std::string_view bytes, std::string_view mark) {
        m_bytes = bytes;
        m_mark = mark;
    }
    void setRole(LineRole role) { m_role = role; }
    void setVolume(bool volume) { m_volume = volume; }
    void setEnded(bool ended) { m_ended = ended; }
    void setMark(std::string_view mark) { m_mark = mark; }
    // The same bytes kept elsewhere: a stage that holds lines back keeps their bytes itself.
    void setBytes(std::string_view bytes) { m_bytes = bytes; }

private:
    std::string_view m_bytes, m_mark;
    LineDecoder* m_decoder = nullptr;
    mutable std::string m_text;
    mutable std::int64_t m_replaced = 0;
    std::int64_t m_number = 0;
    std::int64_t m_chapter = 0;
    LineRole m_role = LineRole::Body;
    mutable bool m_decoded = false;
    bool m_changed = false;
    bool m_volume = false;
    bool m_ended = true;
};

} // namespace pw

#pragma once
// The bytes an output is written in. Everything that goes out passes through one encoder:
// runs of the input's own bytes (put) or text that was decoded and perhaps changed on the way
// (putText). It knows the output's line end, the mark each file starts with, how many input
// bytes it could not decode and how many characters the output cannot hold. Chosen once per
// run from the user's choice.
#include <cstdint>
#include <memory>
#include <string_view>

#include "options/output_encoding.h"
#include "platform/encoding.h"

namespace pw {

// Where an encoder's bytes go.
class ByteWriter {
public:
    virtual ~ByteWriter() = default;
    virtual bool write(std::string_view bytes) = 0;
};

class OutputEncoder {
public:
    virtual ~OutputEncoder() = default;
    // The encoding of what it writes.
    virtual Encoding encoding() const = 0;
    // CR LF in that encoding.
    virtual std::string_view lineEnd() const = 0;
    // What every output file starts with (a UTF-16 byte-order mark), or nothing.
    virtual std::string_view fileMark() const = 0;
    // Whether the input's own byte-order mark goes out as the first bytes of line 1.
    virtual bool keepsInputMark() const = 0;
    // Whether put() writes the input's bytes as they are.
    virtual bool copiesInput() const { return false; }
    // Writes whole lines of the input (a character cut at the end would be lost). False when
    // `out` refused a write, or the bytes could not be converted at all.
    virtual bool put(std::string_view inputBytes, ByteWriter& out) = 0;
    // Writes text (UTF-8) in the output's encoding.
    virtual bool putText(std::string_view utf8, ByteWriter& out) = 0;
    // Undecodable byte sequences of the input written so far, each as one U+FFFD.
    virtual std::int64_t replaced() const { return 0; }
    // Characters the output's encoding cannot hold, each written as a mark.
    virtual std::int64_t unmappable() const { return 0; }
    // That mark (UTF-8): 〓, or □ in Big5, which has no 〓.
    virtual std::string_view unmappableMark() const { return "〓"; }
};

// The encoding a choice writes for this input.
Encoding outputEncodingFor(OutputEncoding choice, Encoding input);

std::unique_ptr<OutputEncoder> makeOutputEncoder(OutputEncoding choice, Encoding input);

} // namespace pw

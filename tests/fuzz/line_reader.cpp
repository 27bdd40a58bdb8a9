// The line reader fed by a real file in read blocks of any size, against a plain split of the
// same bytes: an encoding byte, a block size byte, a longest-line byte, then the file's bytes.
#include <sys/mman.h>
#include <unistd.h>

#include <string>

#include "fuzz_input.h"
#include "platform/line_reader.h"
#include "platform/paths.h"

namespace {

// The rule written plainly: a line ends at CR LF, LF or CR, in whole units; the terminator is
// not part of it; a last line without one is a line; a byte after the last whole unit belongs
// to the last line.
std::vector<std::string_view> plainLines(std::string_view b, const pw::EncodingTraits& t) {
    const std::size_t w = t.unitWidth;
    const auto unitIs = [&](std::size_t at, std::string_view unit) { return b.substr(at, w) == unit; };
    std::vector<std::string_view> lines;
    std::size_t start = 0, i = 0;
    while (i + w <= b.size()) {
        if (unitIs(i, t.cr) || unitIs(i, t.lf)) {
            lines.push_back(b.substr(start, i - start));
            const bool pair = unitIs(i, t.cr) && i + 2 * w <= b.size() && unitIs(i + w, t.lf);
            i += pair ? 2 * w : w;
            start = i;
        } else {
            i += w;
        }
    }
    if (start < b.size()) lines.push_back(b.substr(start));
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pwfuzz::FuzzInput in(data, size);
    const pw::Encoding enc = pw::kAllEncodings[in.byte() % std::size(pw::kAllEncodings)];
    const std::size_t capacity = 1 + in.byte() % 64;
    // The longest line the reader holds: small enough that the fuzzer meets the limit.
    const std::size_t maxLine = 1 + in.byte() % 128;
    const std::string_view bytes = in.rest();
    const pw::EncodingTraits& traits = pw::traitsOf(enc);

    // A real file, in memory: the reader reads it as it reads any other.
    const int fd = memfd_create("pagewright-fuzz", MFD_CLOEXEC);
    if (fd < 0) return 0;
    if (write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
        close(fd);
        return 0;
    }
    pw::InputFile file;
    const bool opened = !file.open(pw::fromUtf8("/proc/self/fd/" + std::to_string(fd)));
    close(fd);
    if (!opened) return 0;
    pw::LineReader reader(file, traits, capacity, maxLine);
    std::vector<std::string> lines;
    pw::LineBlock block;
    std::int64_t expectedOffset = 0;
    while (reader.nextBlock(block)) {
        PW_FUZZ_CHECK(block.offset == expectedOffset);
        PW_FUZZ_CHECK(block.bytes == bytes.substr(static_cast<std::size_t>(block.offset), block.bytes.size()));
        expectedOffset += static_cast<std::int64_t>(block.bytes.size());
        std::size_t from = 0;
        std::int64_t count = 0;
        while (from < block.bytes.size()) {
            const pw::LineEnd end = pw::findLineEnd(block.bytes, from, traits);
            PW_FUZZ_CHECK(end.end >= from && end.end <= block.bytes.size());
            lines.emplace_back(block.bytes.substr(from, end.end - from));
            from = end.end + end.termLen;
            ++count;
        }
        PW_FUZZ_CHECK(count == pw::countLines(block.bytes, traits));
    }
    const std::vector<std::string_view> want = plainLines(bytes, traits);
    if (reader.stoppedAtLongLine()) {
        // Every line before the long one handed out, and that one is too long to hold.
        PW_FUZZ_CHECK(lines.size() < want.size() && want[lines.size()].size() > maxLine);
        for (std::size_t i = 0; i < lines.size(); ++i)
            PW_FUZZ_CHECK(lines[i] == want[i]);
        return 0;
    }
    PW_FUZZ_CHECK(!reader.error());
    PW_FUZZ_CHECK(expectedOffset == static_cast<std::int64_t>(bytes.size()));
    PW_FUZZ_CHECK(lines.size() == want.size());
    for (std::size_t i = 0; i < want.size(); ++i)
        PW_FUZZ_CHECK(lines[i] == want[i]);
    return 0;
}

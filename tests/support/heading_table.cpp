#include "support/heading_table.h"

#include <stdexcept>
#include <string>

#include "platform/encoding.h"
#include "platform/files.h"
#include "platform/line_reader.h"
#include "platform/paths.h"

namespace pwtest {

bool looksLikeHeading(const pw::Text& line) {
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] != u'第') continue;
        for (std::size_t k = 2; k <= 11 && i + k < line.size(); ++k) {
            if (line[i + k] == u'章' || line[i + k] == u'回') return true;
        }
    }
    return false;
}

std::vector<std::int64_t> headingTable(pw::WorkingState& st, const std::filesystem::path& path,
                                       const HeadingTest& isHeading, pw::Encoding* encoding) {
    const pw::Text name = pw::fromPath(path);
    pw::InputFile in;
    if (in.open(name)) throw std::runtime_error("cannot open " + path.string());
    st.lngFileSize = in.size();

    std::string head(pw::kEncodingSample, '\0');
    const std::size_t got = in.read(head.data(), head.size()).value_or(0);
    head.resize(got);
    const pw::EncodingGuess guess = pw::detectEncoding(head, static_cast<std::int64_t>(got) == st.lngFileSize);
    in.close();
    in.open(name);

    pw::Decoder decoder(guess.encoding);
    const pw::EncodingTraits& traits = pw::traitsOf(guess.encoding);
    pw::LineReader reader(in, traits);
    pw::Text text;
    std::int64_t n = 0;
    std::vector<std::int64_t> offsets{0};
    st.lngMatchCount = 0;
    st.lngMatchLines.assign(1, 1);
    for (pw::LineBlock block; reader.nextBlock(block);) {
        for (std::size_t pos = 0; pos < block.bytes.size();) {
            const pw::LineEnd end = pw::findLineEnd(block.bytes, pos, traits);
            std::string_view bytes = block.bytes.substr(pos, end.end - pos);
            const std::int64_t offset = block.offset + static_cast<std::int64_t>(pos);
            pos = end.end + end.termLen;
            ++n;
            if (offset == 0) bytes.remove_prefix(std::min(guess.bomLength, bytes.size()));
            decoder.decode(bytes, text);
            if (!isHeading(text)) continue;
            ++st.lngMatchCount;
            st.lngMatchLines.push_back(n);
            offsets.push_back(offset);
        }
    }
    st.lngMatchLines.push_back(n + 1);
    if (encoding) *encoding = guess.encoding;
    st.strInFile = name;
    st.strAnalyzedFile = name;
    st.blnAnalyzed = true;
    return offsets;
}

} // namespace pwtest

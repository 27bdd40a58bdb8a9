#include "stages/clean_evidence.h"

#include <algorithm>
#include <functional>

#include "platform/files.h"
#include "platform/line_reader.h"
#include "platform/paths.h"
#include "platform/transcoder.h"
#include "stages/clean_adverts.h"

namespace pw {

namespace {

constexpr std::int64_t kNearEnds = 12;

std::uint64_t hashOf(std::string_view compact) {
    return std::hash<std::string_view>{}(compact);
}

} // namespace

void compactText(std::string_view utf8, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        if (c == ' ' || c == '\t') continue;
        if (utf8.substr(i).starts_with("\u3000")) {
            i += 2;
            continue;
        }
        if (utf8.substr(i).starts_with("\u00A0")) {
            i += 1;
            continue;
        }
        out += c;
    }
}

CleanEvidence::CleanEvidence(std::filesystem::path file, std::optional<Encoding> encoding)
    : m_file(std::move(file)), m_encoding(encoding) {}

CleanEvidence::CleanEvidence(const std::vector<std::string>& lines) {
    std::call_once(m_once, [&] {
        for (const std::string& l : lines)
            add(l);
        std::sort(m_hashes.begin(), m_hashes.end());
    });
}

void CleanEvidence::add(std::string_view utf8) const {
    ++m_lines;
    compactText(utf8, m_compact);
    if (m_compact.empty()) return;
    m_hashes.push_back(hashOf(m_compact));
    thread_local AdvertShapes shapes;
    std::string hidden;
    if (m_compact.size() <= 90 && shapes.hiddenName(utf8, hidden)) ++m_hidden[hidden];
    if (!AdvertShapes::latin(utf8) || AdvertShapes::speech(utf8)) return;
    std::vector<std::string> keys;
    const AdvertShapes::Site site = shapes.siteLine(utf8, keys);
    if (site == AdvertShapes::Site::None) shapes.addressKeys(utf8, keys);
    std::vector<std::string> alone;
    shapes.addressLine(utf8, alone);
    for (const std::string& k : keys) {
        Site& s = m_sites[k];
        ++s.lines;
        s.advert = s.advert || site == AdvertShapes::Site::Strong;
    }
    for (const std::string& k : alone)
        ++m_sites[k].alone;
}

void CleanEvidence::gather() const {
    std::call_once(m_once, [this] {
        InputFile in;
        if (in.open(fromPath(m_file))) return;
        std::string head(kEncodingSample, '\0');
        std::size_t got = 0;
        while (got < head.size()) {
            const auto n = in.read(head.data() + got, head.size() - got);
            if (!n || *n == 0) break;
            got += *n;
        }
        head.resize(got);
        const EncodingGuess guess =
            m_encoding ? chosenEncoding(head, *m_encoding) : detectEncoding(head, got < kEncodingSample);
        in.close();
        if (in.open(fromPath(m_file))) return;
        LineReader reader(in, traitsOf(guess.encoding));
        Utf8Transcoder transcoder(guess.encoding);
        std::string utf8;
        bool first = true;
        for (LineBlock block; reader.nextBlock(block);) {
            std::string_view bytes = block.bytes;
            if (first) bytes.remove_prefix(std::min(bytes.size(), guess.bomLength));
            first = false;
            utf8.clear();
            transcoder.convert(bytes, [&utf8](std::string_view piece) {
                utf8.append(piece);
                return true;
            });
            // CR LF, LF and CR each end a line, as the line reader has it.
            std::size_t from = 0;
            for (std::size_t i = 0; i < utf8.size(); ++i) {
                if (utf8[i] != '\r' && utf8[i] != '\n') continue;
                add(std::string_view(utf8).substr(from, i - from));
                if (utf8[i] == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') ++i;
                from = i + 1;
            }
            if (from < utf8.size()) add(std::string_view(utf8).substr(from));
        }
        if (reader.error()) {
            // Half a book is no evidence.
            m_lines = 0;
            m_hashes.clear();
            m_sites.clear();
            m_hidden.clear();
        }
        std::sort(m_hashes.begin(), m_hashes.end());
    });
}

int CleanEvidence::copies(std::string_view utf8) const {
    gather();
    std::string compact;
    compactText(utf8, compact);
    const auto [b, e] = std::equal_range(m_hashes.begin(), m_hashes.end(), hashOf(compact));
    return static_cast<int>(e - b);
}

bool CleanEvidence::advertSite(const std::string& key) const {
    gather();
    const auto it = m_sites.find(key);
    return it != m_sites.end() && (it->second.advert || it->second.alone >= 2);
}

int CleanEvidence::siteLines(const std::string& key) const {
    gather();
    const auto it = m_sites.find(key);
    return it == m_sites.end() ? 0 : it->second.lines;
}

int CleanEvidence::hiddenNames(const std::string& key) const {
    gather();
    const auto it = m_hidden.find(key);
    return it == m_hidden.end() ? 0 : it->second;
}

std::int64_t CleanEvidence::lines() const {
    gather();
    return m_lines;
}

bool CleanEvidence::nearEnds(std::int64_t line) const {
    gather();
    return m_lines > 0 && (line <= kNearEnds || line > m_lines - kNearEnds);
}

} // namespace pw

#pragma once
// What the whole book says about a line, for the clean-up rules that must not take the story:
// an advert repeats across the book and story text does not, so a line that looks like junk
// goes only when the book bears that out. A stage sees one line at a time; this is read once,
// before, by a cheap pass over the file: every line's text is counted by a hash, and only the
// few lines with Latin letters in them are looked at for the sites they name. The pass runs
// when a rule first asks, so a book without a doubtful line never pays for it.
#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/encoding.h"

namespace pw {

class CleanEvidence {
public:
    // The file as the run reads it; `encoding` as the user named it, else found as the scan does.
    CleanEvidence(std::filesystem::path file, std::optional<Encoding> encoding);
    // A text already in memory, as UTF-8 lines (line n is lines[n - 1]).
    explicit CleanEvidence(const std::vector<std::string>& lines);

    // Lines of the book that say this, spaces aside.
    int copies(std::string_view utf8) const;
    // A site that advertises: named in a site's advert or notice, or alone on two lines or more.
    bool advertSite(const std::string& key) const;
    // Lines without speech that name the site.
    int siteLines(const std::string& key) const;
    // Lines that hide this site's name (AdvertShapes::hiddenName).
    int hiddenNames(const std::string& key) const;
    // Lines in the book; 0 when the file could not be read (then nothing counts as evidence).
    std::int64_t lines() const;
    // Among the few lines at the book's start or end, where sites put their notices.
    bool nearEnds(std::int64_t line) const;

private:
    struct Site {
        int lines = 0, alone = 0;
        bool advert = false;
    };
    void gather() const;
    void add(std::string_view utf8) const;

    std::filesystem::path m_file;
    std::optional<Encoding> m_encoding;
    mutable std::once_flag m_once;
    mutable std::vector<std::uint64_t> m_hashes; // sorted, one per line
    mutable std::map<std::string, Site> m_sites;
    mutable std::map<std::string, int> m_hidden;
    mutable std::int64_t m_lines = 0;
    mutable std::string m_compact;
};

// The text without spaces of any width: how a repeat is known whatever its indent.
void compactText(std::string_view utf8, std::string& out);

} // namespace pw

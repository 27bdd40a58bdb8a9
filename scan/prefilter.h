#pragma once
// Decoding is what a scan costs. A pattern that needs certain characters can only match a
// line that holds their bytes in the file's encoding, so the scan looks for those bytes in
// the raw text first and decodes only the lines that hold them. False candidates are fine
// (the pattern decides); a missed heading is not.
#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace pw {

class Prefilter {
public:
    Prefilter() = default;
    // `needles`: byte strings that every matching line contains, each of them. None: every
    // line is a candidate. `unitWidth`: the bytes of a code unit; in UTF-16 a needle's bytes
    // at an odd distance from a line start are halves of two other characters, no candidate.
    explicit Prefilter(std::vector<std::string> needles, std::size_t unitWidth = 1);

    // Picks the needle and the byte in it to look for, by how rare the bytes are in `sample`
    // (the first block of the input): a memchr on a rare byte beats any two-byte search.
    void learn(std::string_view sample);
    // Where the chosen needle next starts at or after `from` (a line start), a whole number of
    // code units from it; npos when nowhere. Inactive:
    // `from` itself, every line being a candidate.
    std::size_t find(std::string_view bytes, std::size_t from) const;
    // Whether a line holds all the needles.
    bool accepts(std::string_view line) const;

private:
    std::vector<std::string> m_needles;
    std::size_t m_primary = 0; // index into m_needles
    std::size_t m_rarePos = 0; // index of the byte searched for within that needle
    std::size_t m_unit = 1;
};

} // namespace pw

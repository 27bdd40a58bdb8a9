#pragma once
// Site adverts as download sites write them: a site's address (in full-width letters, with
// spaces or characters between its parts: ｗｗｗ．ｂｉｑｕｇｅ．ｃｏｍ, 5 1 7 Z . c O m,
// www奇qisuu书com网, www-xiaoshuotxt-net) beside the words adverts use (下载, 整理, 请访问, 尽在,
// 电子书…); a site's notice without one (本书由…收集整理, 版权归原作者所有, ☆早安电子书☆); an
// address alone on a line; and adverts set inside a line ([www奇qisuu书com网],
// ----〖新语丝电子文库(www.xys.org)〗, [更多精彩…[5 １ 7 Ｚ . c Ｏ m]). Lines with speech marks are
// the story's and never match. Whether a shape that the story could also write goes is for the
// book-wide evidence (clean_evidence.h) to say.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace pw {

class CleanEvidence;

class AdvertShapes {
public:
    AdvertShapes(); // the patterns are compiled once for all; each object has its own match data
    ~AdvertShapes();
    AdvertShapes(const AdvertShapes&) = delete;
    AdvertShapes& operator=(const AdvertShapes&) = delete;

    enum class Site {
        None,
        Strong, // no story writes it: an advert's own phrases (请访问, 电子书, 本书由…整理, a banner)
        Weak,   // an address beside words a story may use too (下载, 推荐, 分享…)
    };
    // A whole line; the sites it names in `keys` (biquge.la for m.biquge.la and www.biquge.la).
    Site siteLine(std::string_view utf8, std::vector<std::string>& keys);
    // An advert's own words or a site's notice, address or not (what is left of a line once
    // the adverts inside it are out tells a paragraph with one glued to it from an advert).
    bool advertWords(std::string_view utf8);
    // A site's name written to slip past filters, alone on a short line (小＿说  txt 天+堂,
    // 大$学$生@小`说"网): `key` is the name without what was put between its characters. Such a
    // line goes when the book has the same name so more than once.
    bool hiddenName(std::string_view utf8, std::string& key);
    // An address alone, with marks or a label (网址：) around it.
    bool addressLine(std::string_view utf8, std::vector<std::string>& keys);
    // The sites a line names anywhere.
    void addressKeys(std::string_view utf8, std::vector<std::string>& keys);
    // The line without the adverts set inside it, in `out`; false when it has none. A plain
    // address in brackets goes only when `evidence` knows its site for an advertiser's.
    bool inlineAdverts(std::string_view utf8, std::string& out, const CleanEvidence* evidence);

    // Whether the text holds speech marks: the story talking, whatever it says.
    static bool speech(std::string_view utf8);
    // Latin letters, ASCII or full-width: no address is written without them, and few lines
    // of a Chinese novel have any (the cheap test before the patterns).
    static bool latin(std::string_view utf8);

private:
    struct Impl;
    std::unique_ptr<Impl> m;
};

} // namespace pw

#include "support/web_junk.h"

#include <unicode/ucnv.h>
#include <unicode/unistr.h>

#include <fstream>
#include <random>
#include <stdexcept>

#include "support/novel.h"

namespace pwtest {

namespace {

const std::vector<std::string> kTitles = {"风起青萍", "山门夜雨", "旧友重逢", "剑出无声", "灯下闲谈", "千里归途",
                                          "雪落长街", "孤城残阳", "故人来信", "风波再起"};

const std::vector<std::string> kProse = {
    "天色渐渐暗了下来，山道两旁的松林里传来几声鸟鸣，他紧了紧背上的包袱，继续往前走。",
    "客栈里人声嘈杂，掌柜的一边拨着算盘，一边抬眼打量着这个浑身湿透的年轻人。",
    "她把茶盏轻轻放下，窗外的雨声忽然大了，檐下的灯笼被风吹得来回摇晃。",
    "三年前的那一夜，他从未对任何人说起，只是每逢下雨，旧伤便隐隐作痛。",
    "长街尽头站着一个披蓑衣的人，斗笠压得很低，看不清面容，手里却握着一柄长剑。",
    "他数了数钱袋里剩下的铜板，叹了口气，终究还是要了一碗最便宜的阳春面。",
};

// Site adverts and address lines, each a line of its own: every one must go.
const std::vector<std::string> kAdverts = {
    "本章未完，请点击下一页继续阅读》》",
    "（本章未完，请翻页）",
    "-->>本章未完，点击下一页继续阅读",
    "一秒记住【笔趣阁 www.biquge.la】，精彩小说无弹窗免费阅读！",
    "天才一秒记住本站地址：www.xbiquge.so。最快更新！",
    "手机用户请浏览m.biquge.la阅读，更优质的阅读体验。",
    "手机阅读请访问：ｍ．ｂｉｑｕｇｅ．ｌａ",
    "最新章节请到www.xxbiquge.com阅读",
    "《剑来》最新章节全文阅读：https://www.abcxs.net/12/",
    "请收藏本站：https://www.biquge.la。笔趣阁手机版：https://m.biquge.la",
    "喜欢本书请大家收藏：(www.biquge.la)更新速度最快。",
    "一秒记住http://www.xbiquge.so，精彩小说无弹窗免费阅读！",
    "请记住本书首发域名：www.biquge.la。笔趣阁手机版阅读网址：m.biquge.la",
    "www.biquge.la",
    "ｗｗｗ．ｂｉｑｕｇｅ．ｃｏｍ",
    "https://www.69shu.com/txt/12345.htm",
    "（biquge.info）",
    "，，，，",
    "、、",
    "【】",
    "；；；",
};

// Story lines that look like junk in one way or another: every one must stay.
const std::vector<std::string> kLures = {
    "“你把网址发给我，我回头再看。”他说。",
    "“本章的内容，老师明天要考。”她提醒道。",
    "他看着屏幕上的“本章未完，请点击下一页继续阅读”，叹了口气。",
    "圆周率取3.14就够了。",
    "3.14",
    "……",
    "？？？",
    "“……”",
    "！",
    "***",
    "☆☆☆",
    "“",
    "手机阅读的习惯让他的视力下降了不少。",
    "他翻到最新章节，才发现作者断更了。",
    "请收藏好这封信，千万别弄丢了。",
    "他一秒记住了那串网址。",
    "网址是什么来着？他挠了挠头。",
    "他在浏览器里输入了www.example.com，页面却一片空白。",
    "“一秒记住【笔趣阁】，这广告词你也信？”她笑着摇头。",
    "版本号是v1.2.3，他核对了一遍。",
    "“记住，网址是www.example.com，收藏好。”她叮嘱道。",
};

// A line said twice that is too short to be a repeated paragraph.
constexpr const char* kShort = "好。";

} // namespace

std::string encodeText(const std::string& utf8, pw::Encoding e) {
    if (e == pw::Encoding::Utf8) return utf8;
    UErrorCode status = U_ZERO_ERROR;
    UConverter* cnv = ucnv_open(pw::traitsOf(e).converter, &status);
    if (U_FAILURE(status)) throw std::runtime_error("ICU converter unavailable");
    ucnv_setFromUCallBack(cnv, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    const icu::UnicodeString u = icu::UnicodeString::fromUTF8(utf8);
    std::string out(static_cast<std::size_t>(u.length()) * 4 + 16, '\0');
    const int32_t n =
        ucnv_fromUChars(cnv, out.data(), static_cast<int32_t>(out.size()), u.getBuffer(), u.length(), &status);
    ucnv_close(cnv);
    if (U_FAILURE(status)) throw std::runtime_error("text not writable in the encoding");
    out.resize(static_cast<std::size_t>(n));
    return out;
}

std::vector<std::string> JunkNovel::story() const {
    std::vector<std::string> out;
    for (const JunkLine& l : lines)
        if (!l.junk) out.push_back(l.text);
    return out;
}

std::vector<std::int64_t> JunkNovel::junkLineNumbers() const {
    std::vector<std::int64_t> out;
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].junk) out.push_back(static_cast<std::int64_t>(i) + 1);
    return out;
}

JunkNovel makeJunkNovel(const JunkNovelOptions& o) {
    std::mt19937 rng(o.seed);
    const auto below = [&rng](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
    JunkNovel novel;
    const auto add = [&](std::string text, bool junk, bool heading = false) {
        novel.lines.push_back({std::move(text), junk, heading});
    };
    add("剑客行", false);
    add("作者：无名", false);
    std::size_t advert = below(kAdverts.size()), lure = below(kLures.size()), last = kProse.size();
    // Never the same paragraph twice running unless planted so: the clean-up would rightly take it.
    const auto prose = [&] {
        std::size_t i = below(kProse.size() - 1);
        if (i >= last) ++i;
        last = i;
        return "　　" + kProse[i];
    };
    for (int n = 1; n <= o.chapters; ++n) {
        const std::string title = kTitles[static_cast<std::size_t>(n - 1) % kTitles.size()];
        const std::string heading = "第" + chineseNumber(n) + "章　" + title;
        add(heading, false, true);
        // The title again under the heading, alone or whole, in every other chapter.
        if (n % 2 == 0) add(n % 4 == 0 ? heading : "　　" + title, true);
        for (int p = 0; p < 6; ++p) {
            const std::string paragraph = prose();
            add(paragraph, false);
            switch (below(5)) {
            case 0:
                add(kAdverts[advert++ % kAdverts.size()], true);
                break;
            case 1:
                add(kLures[lure++ % kLures.size()], false);
                break;
            case 2:
                if (below(2)) add(paragraph, true); // the paragraph twice
                else add(kShort, false), add(kShort, false);
                break;
            default:
                break;
            }
        }
    }
    // Every advert and lure at least once, whatever the seed.
    for (const std::string& a : kAdverts)
        add(a, true), add(prose(), false);
    for (const std::string& l : kLures)
        add(l, false);
    for (const JunkLine& l : novel.lines)
        novel.bytes += encodeText(l.text, o.encoding) + encodeText("\r\n", o.encoding);
    return novel;
}

JunkNovel writeJunkNovel(const std::filesystem::path& path, const JunkNovelOptions& o) {
    JunkNovel novel = makeJunkNovel(o);
    std::ofstream(path, std::ios::binary) << novel.bytes;
    return novel;
}

} // namespace pwtest

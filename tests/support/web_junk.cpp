#include "support/web_junk.h"

#include <unicode/ucnv.h>
#include <unicode/unistr.h>

#include <fstream>
#include <random>
#include <stdexcept>

#include "support/novel.h"

namespace pwtest {

namespace {

const std::vector<std::string> kTitles = {"风起青萍", "山门夜雨", "旧友重逢", "剑出无声", "灯下闲谈",
                                          "千里归途", "雪落长街", "孤城残阳", "故人来信", "风波再起"};

const std::vector<std::string> kProse = {
    "天色渐渐暗了下来，山道两旁的松林里传来几声鸟鸣，他紧了紧背上的包袱，继续往前走。",
    "客栈里人声嘈杂，掌柜的一边拨着算盘，一边抬眼打量着这个浑身湿透的年轻人。",
    "她把茶盏轻轻放下，窗外的雨声忽然大了，檐下的灯笼被风吹得来回摇晃。",
    "三年前的那一夜，他从未对任何人说起，只是每逢下雨，旧伤便隐隐作痛。",
    "长街尽头站着一个披蓑衣的人，斗笠压得很低，看不清面容，手里却握着一柄长剑。",
    "他数了数钱袋里剩下的铜板，叹了口气，终究还是要了一碗最便宜的阳春面。",
};

// Site adverts and notices, each a line of its own: every one must go. The first ones are
// as real downloads have them.
const std::vector<std::string> kAdverts = {
    "本书来自www.cr173.com免费txt小说下载站",
    "更多更新免费电子书请关注www.cr173.com",
    "声明:本书由奇书网(www.Qisuu.com)自网络收集整理制作,仅供交流学习使用,版权归原作者和出版社所有,如果喜欢,请支持正版.",
    "本书由www.97wz.net免费电子书下载网整理上传，更多免费小说，敬请关注97免费小说网！",
    "【手机TXT小说下载网（www.sjtxt.com），欢迎您来sjtxt推荐好书！】",
    "本书下载于派派后花园论坛，如需更多好书，请访问:www.paipai.fm",
    " 更多精校小说请访问书荒部落(noveless.com) ",
    "更多精彩，更多好书，尽在www.517z.com",
    "----〖新语丝电子文库(www.xys.org)〗",
    "更多精彩好书，更多原创手机电子书，请登陆奇书网--Www.Qisuu.Com",
    "欢迎访问,零零手机资源网,http://www.003g.cn,本站提供手机铃声，手机电影，网络小说，手机游戏等最新下载！",
    "TXT小说天堂  http://www.xiaoshuotxt.net，最有文艺气息的文学网站",
    "您下载的该电子书来自:TXT书库",
    "☆本文由早安电子书网友分享，版权归原作者所有☆",
    "☆请勿用于商业行为，一切后果自负☆",
    "☆早安电子书☆",
    "　　【百度贴吧·作家江南吧　收集整理】",
    " 本书版权归原作者所有，如有侵权，请联系本站删除",
    "[手 机 电 子 书 w w w . 5 1 7 z . c o m]",
    "　小＿说  txt 天+堂",
    "！小＠说＃txt＄天＾堂＆",
    "[更多精彩，更多好书，尽在[5 １ 7 Ｚ . c Ｏ m]",
    "<!--BookContent Start-->",
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
    "，，，，",
    "、、",
    "【】",
    "；；；",
};

// Addresses alone on a line, as sites leave them at chapter ends: they go because the book
// shows each more than once (every one is planted twice at least).
const std::vector<std::string> kAddresses = {
    "www.biquge.la",
    "ｗｗｗ．ｂｉｑｕｇｅ．ｃｏｍ",
    "https://www.69shu.com/txt/12345.htm",
    "（biquge.info）",
    "ＷＷＷ.xiＡosＨuoＴＸＴ.net",
    "www-xiaoshuotxt-net",
    "wＷw：xiaoshuotxt？net",
    "☆http://www.zxtxt.com☆",
    // Commas and slashes between the parts.
    "www.xiaoshuotＸt，ｎｅt",
    "w w w/xiao shu otx t.net",
    " www/xiaoshuotxt/n e t",
};

// Adverts set inside a paragraph, before it (true) or after it, and HTML references: the
// paragraph stays without them.
struct Inside {
    const char* advert;
    bool before;
};
const std::vector<Inside> kInside = {
    {"----〖新语丝电子文库(www.xys.org)〗", false},
    {"［华夏网·电子书下载乐园—Ｗww.China8.com.cn］", false},
    {" [手 机 电 子 书 w w w . 5 1 7 z . c o m]", false},
    {"[奇书网·电子书下载乐园—wＷw.QiＳuu.cＯm］", false},
    {"(华夏网|Www.china8.com.cn)", false},
    {"[菲菲小说网网|ff xsh.cn]", false},
    {"@奇@", true},
};
// The reference as the page wrote it, and the character it stands for.
const std::vector<std::pair<std::string, std::string>> kReferences = {
    {"&#39;&#39;", "''"},     {"&amp;", "&"},   {"&#23884;", "嵌"}, {"&#x5D4C;", "嵌"},
    {"&mdash;&mdash;", "——"}, {"&ldquo;", "“"}, {"&hellip;", "…"},
};

// Story lines that look like junk in one way or another: every one must stay. Each may be
// planted any number of times.
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
    "他说的那个网址我记得，就是游戏网址：www。threebody。com，进去就能看到。",
    "“更多精彩，尽在【天下会】！”台上的人喊道。",
    "阿&B",
};

// Story shapes planted once, in the middle of the book: a chant said three times, chat lines
// of a game said twice and again later, a refrain, an address the story gives on its own
// line (once after announcing it, once bare), a site in a sentence.
const std::vector<std::string> kOnce = {
    "　　南无阿弥陀佛，南无观世音菩萨，愿我佛慈悲，普度众生脱离苦海。",
    "　　南无阿弥陀佛，南无观世音菩萨，愿我佛慈悲，普度众生脱离苦海。",
    "　　南无阿弥陀佛，南无观世音菩萨，愿我佛慈悲，普度众生脱离苦海。",
    "【世界】狂战士：收金币收金币，高价收购各种金币，有意者私聊我！！",
    "【世界】狂战士：收金币收金币，高价收购各种金币，有意者私聊我！！",
    "　　风吹过长街，吹过旧城墙，吹过他来时走过的每一条路，也吹过她的窗。",
    "　　风吹过长街，吹过旧城墙，吹过他来时走过的每一条路，也吹过她的窗。",
    "　　他在纸上写下了那个论坛的网址：",
    "www.qingshan-story.com",
    "　　她把纸条翻过来，背面也是一行字。",
    "ｗｗｗ．ｍｏｏｎｌａｋｅ．ｃｏｍ",
    "　　他在www.qidian.com上下载了这本小说，一口气看到了天亮。",
    "【世界】狂战士：收金币收金币，高价收购各种金币，有意者私聊我！！",
    "　　风吹过长街，吹过旧城墙，吹过他来时走过的每一条路，也吹过她的窗。",
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
        if (!l.junk) out.push_back(l.mended.empty() ? l.text : l.mended);
    return out;
}

std::vector<std::int64_t> JunkNovel::junkLineNumbers() const {
    std::vector<std::int64_t> out;
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].junk || !lines[i].mended.empty()) out.push_back(static_cast<std::int64_t>(i) + 1);
    return out;
}

JunkNovel makeJunkNovel(const JunkNovelOptions& o) {
    std::mt19937 rng(o.seed);
    const auto below = [&rng](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
    JunkNovel novel;
    const auto add = [&](std::string text, bool junk, bool heading = false, std::string mended = {}) {
        novel.lines.push_back({std::move(text), junk, heading, std::move(mended)});
    };
    add("剑客行", false);
    add("作者：无名", false);
    std::size_t advert = below(kAdverts.size()), address = below(kAddresses.size()), lure = below(kLures.size()),
                inside = 0, reference = 0;
    // No paragraph of the story said twice unless planted so: each says how far he walked.
    int walked = 0;
    const auto prose = [&] { return "　　走到第" + chineseNumber(++walked) + "里，" + kProse[below(kProse.size())]; };
    for (int n = 1; n <= o.chapters; ++n) {
        const std::string title = kTitles[static_cast<std::size_t>(n - 1) % kTitles.size()];
        const std::string heading = "第" + chineseNumber(n) + "章　" + title;
        if (n == 3)
            add(heading + " [更多精彩，更多好书，尽在[5 １ 7 Ｚ . c Ｏ m]", false, true, heading);
        else
            add(heading, false, true);
        // The title again under the heading, alone or whole, in every other chapter.
        if (n % 2 == 0) add(n % 4 == 0 ? heading : "　　" + title, true);
        for (int p = 0; p < 6; ++p) {
            const std::string paragraph = prose();
            switch (below(8)) {
            case 0:
                add(paragraph, false);
                add(kAdverts[advert++ % kAdverts.size()], true);
                break;
            case 1:
                add(paragraph, false);
                add(kLures[lure++ % kLures.size()], false);
                break;
            case 2:
                add(paragraph, false);
                if (below(2))
                    add(paragraph, true); // the paragraph twice
                else
                    add(kShort, false), add(kShort, false);
                break;
            case 3: {
                const Inside& i = kInside[inside++ % kInside.size()];
                add(i.before ? i.advert + paragraph.substr(std::string("　　").size()) : paragraph + i.advert, false,
                    false, i.before ? paragraph.substr(std::string("　　").size()) : paragraph);
                break;
            }
            case 4: {
                const auto& [written, meant] = kReferences[reference++ % kReferences.size()];
                add(paragraph + "他想了想" + written + "没有说话。", false, false,
                    paragraph + "他想了想" + meant + "没有说话。");
                break;
            }
            case 5:
                add(paragraph, false);
                add(kAddresses[address++ % kAddresses.size()], true);
                break;
            default:
                add(paragraph, false);
                break;
            }
        }
        if (n == o.chapters / 2 + 1)
            for (const std::string& l : kOnce)
                add(l, false);
    }
    // Every lure at least once, then every advert and address (twice) at least once, whatever
    // the seed; each after a paragraph, where sites put them.
    for (const std::string& l : kLures)
        add(l, false);
    for (const std::string& a : kAdverts)
        add(prose(), false), add(a, true);
    for (int twice = 0; twice < 2; ++twice)
        for (const std::string& a : kAddresses)
            add(prose(), false), add(a, true);
    add(prose(), false);
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

#include "stages/clean_rules.h"

namespace pw {

namespace {

// Pieces of the built-in patterns, written for the folded line (full-width forms made ASCII)
// and matched caselessly.
#define PW_MARKS "[\\s\\p{P}\\p{S}]"
#define PW_NO_DIALOGUE "(?!.*[“”「」『』\"])"
#define PW_DOMAIN                                                                                                      \
    "(?:[a-z0-9][a-z0-9-]*[.。])+(?:com|net|org|cn|cc|la|info|me|co|tw|hk|io|xyz|top|vip|so|tv|biz|club|site|online|"  \
    "app|wang|ws|mobi|name|pw|asia|us|in|ru|jp|tk|win|link|live|life|fun|ink|love|shop|today|pro|cloud|work|ltd|"      \
    "space|tech|icu|one|run|xin)(?![a-z0-9-])"
// Speech without words: a line of …, ？, ！, —, ~ and the like is a character's reply.
#define PW_SPEECH_MARKS "[\\s…⋯?!。.·~—\\-“”「」『』\"'‘’()]"
#define PW_SPEECH "[…⋯?!。.~—]"
// A row of marks between scenes (separators.h) is no stray punctuation either.
#define PW_SCENE_BREAK "[\\s\\-=*~—_·.#]+$"

CleanRule builtIn(std::string name, std::string pattern) {
    CleanRule r;
    r.name = std::move(name);
    r.pattern = std::move(pattern);
    r.wholeLine = true;
    return r;
}

CleanRule inCode(std::string name, RuleKind kind, RuleScope scope = RuleScope::Body) {
    CleanRule r;
    r.name = std::move(name);
    r.kind = kind;
    r.scope = scope;
    return r;
}

} // namespace

std::vector<CleanRule> builtInCleanRules() {
    std::vector<CleanRule> rules{
        // First: the rules after it read the characters, not their references.
        inCode("HTML字符引用", RuleKind::HtmlReferences, RuleScope::Both),
        builtIn("本章未完提示", "^" PW_MARKS "*(?:本章|内容|內容)尚?未完(?:结|結)?" PW_MARKS
                                "*(?:请|請)?(?:点击|點擊|点|點|按)?(?:下一[页頁]|翻[页頁])"
                                "(?:继续阅读|繼續閱讀|继续|繼續|阅读|閱讀)?" PW_MARKS "*$"),
        builtIn("记住网址广告", "^" PW_NO_DIALOGUE
                                "(?=.*(?:" PW_DOMAIN "|【|无弹窗|無彈窗|免费阅读|免費閱讀|最快更新|本站|手机版|手機版))"
                                ".{0,24}一秒(?:记|記)住[\\s:：]*(?:【|\\[|<|《|本站|本书|本書|地址|网址|網址|域名|(?:https?://)?" PW_DOMAIN
                                ").{0,80}$"),
        builtIn("手机阅读广告", "^" PW_NO_DIALOGUE
                                "(?=.*(?:" PW_DOMAIN "|(?:请|請)(?:访问|訪問|浏览|瀏覽|登录|登錄|登入)|本站|阅读体验|閱讀體驗))"
                                PW_MARKS "*(?:手机|手機)(?:阅读|閱讀|用户|用戶|版|访问|訪問|端|站|上|请|請).{0,60}$"),
        builtIn("最新章节广告", "^" PW_NO_DIALOGUE
                                "(?=.*(?:" PW_DOMAIN "|请到|請到|(?:请|請)(?:访问|訪問)|本站|首发|首發|全文阅读|全文閱讀|"
                                "无弹窗|無彈窗|免费阅读|免費閱讀|由网友|由網友|更新最快|最快更新|(?:地址|网址|網址)[:：]))"
                                ".{0,30}最新章(?:节|節).{0,60}$"),
        builtIn("收藏本站广告", "^" PW_NO_DIALOGUE
                                "(?=.*(?:" PW_DOMAIN "|本站|本书|本書|书签|書籤|书架|書架|更新速度|最快更新|笔趣|筆趣|"
                                "(?:地址|网址|網址)[:：]))"
                                ".{0,30}(?:请|請)(?:大家)?收藏.{0,80}$"),
        // Any other line that names a site's address and says what adverts say.
        builtIn("网站广告", "^" PW_NO_DIALOGUE "(?=.*" PW_DOMAIN ")"
                            "(?=.*(?:本站|首发|首發|域名|最快更新|更新最快|无弹窗|無彈窗|手机版|手機版|阅读网址|閱讀網址|"
                            "笔趣|筆趣|(?:记|記)住|收藏|免费阅读|免費閱讀|全文阅读|全文閱讀))"
                            ".{0,120}$"),
        // Sites' own words and notices, with the address written any way or without one.
        inCode("下载站广告", RuleKind::SiteAdvert),
        // Alone on a line, an address is the story's unless the book shows it is an advertiser's.
        inCode("网址行", RuleKind::AddressLine),
        // Punctuation only, not symbols: rows of ☆, ◆ or ※ are scene breaks as often as not.
        builtIn("纯标点行", "^" PW_NO_DIALOGUE "(?!" PW_SPEECH_MARKS "*" PW_SPEECH PW_SPEECH_MARKS "*$)(?!" PW_SCENE_BREAK
                            ")[\\s\\p{P}]+$"),
        // After the whole-line rules, which leave a paragraph with an advert glued to it be.
        inCode("行内广告", RuleKind::InlineAdvert, RuleScope::Both),
        inCode("重复的章节名", RuleKind::RepeatedTitle),
        inCode("重复的段落", RuleKind::RepeatedParagraph),
    };
    for (std::size_t i = 0; i < rules.size(); ++i)
        rules[i].order = static_cast<int>(i);
    return rules;
}

} // namespace pw

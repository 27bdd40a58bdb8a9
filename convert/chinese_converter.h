#pragma once
// Traditional and Simplified Chinese, one into the other, through OpenCC: its own
// configurations (s2t, t2s, s2tw, tw2sp, s2hk…), by the names its `opencc -c` takes, so that
// what comes out is what that program makes of the same text.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace opencc {
class SimpleConverter;
}

namespace pw {

// The configurations installed with OpenCC's data, by name ("s2t"), in the order of the alphabet.
std::vector<std::string> installedConversions();
// Whether `name` is one of them (a trailing ".json" allowed).
bool isInstalledConversion(std::string_view name);
// The name without a trailing ".json".
std::string conversionName(std::string_view name);

// The language tag of a book whose text a conversion made: zh-CN for Simplified, zh-TW for
// Taiwan's and generic Traditional, zh-HK for Hong Kong's, ja for Japanese shinjitai.
std::string conversionLanguage(std::string_view name);

class ChineseConverter {
public:
    // Nothing when OpenCC cannot load the configuration (not installed, or its data broken).
    static std::shared_ptr<const ChineseConverter> open(std::string_view name);
    ~ChineseConverter();

    // UTF-8 in, UTF-8 out. Line ends pass as they are and no phrase runs across one, so a
    // text converts alike whole or line by line. Safe to call from several threads at once:
    // the dictionaries are only read.
    std::string convert(std::string_view utf8) const;
    const std::string& name() const { return m_name; }

private:
    ChineseConverter(std::string name, std::unique_ptr<opencc::SimpleConverter> c);
    std::string m_name;
    std::unique_ptr<opencc::SimpleConverter> m_converter;
};

} // namespace pw

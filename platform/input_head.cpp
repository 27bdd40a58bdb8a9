#include "platform/input_head.h"

#include <mutex>
#include <sys/stat.h>
#include <tuple>

#include "platform/files.h"
#include "platform/paths.h"

namespace pw {

namespace {

// What makes two reads the same: the file (by identity and the time it last changed, so a
// file rewritten under the same name is read anew) and how it is to be read.
struct HeadKey {
    std::filesystem::path file;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    std::int64_t changed = 0;
    std::optional<Encoding> encoding;
    std::size_t bytes = 0;
    bool sameFile(const HeadKey& o) const {
        return std::tie(file, device, inode, size, changed, bytes) ==
               std::tie(o.file, o.device, o.inode, o.size, o.changed, o.bytes);
    }
};

std::optional<HeadKey> keyOf(const std::filesystem::path& file, std::optional<Encoding> encoding, std::size_t bytes) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return HeadKey{file,
                   st.st_dev,
                   st.st_ino,
                   st.st_size,
                   static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
                   encoding,
                   bytes};
}

std::shared_ptr<const InputHead> decodeHead(const std::filesystem::path& file, std::optional<Encoding> encoding,
                                            std::size_t bytes) {
    auto out = std::make_shared<InputHead>();
    InputFile in;
    if (auto err = in.open(fromPath(file))) {
        out->error = err->reason;
        return out;
    }
    std::string head(bytes, '\0');
    std::size_t got = 0;
    while (got < bytes) {
        const auto n = in.read(head.data() + got, bytes - got);
        if (!n) {
            out->error = in.error() ? in.error()->reason : Text(u"读取失败");
            return out;
        }
        if (*n == 0) break;
        got += *n;
    }
    head.resize(got);
    out->whole = got < bytes;
    const EncodingGuess guess =
        encoding ? chosenEncoding(head, *encoding)
                 : detectEncoding(std::string_view(head).substr(0, kEncodingSample),
                                  out->whole && got <= kEncodingSample);
    out->encoding = guess.encoding;
    std::string_view body = std::string_view(head).substr(guess.bomLength);
    if (traitsOf(guess.encoding).unitWidth == 2) body = body.substr(0, body.size() & ~std::size_t(1));
    const Text text = Decoder(guess.encoding).decode(body);
    std::size_t from = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != u'\r' && text[i] != u'\n') continue;
        out->lines.emplace_back(text, from, i - from);
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        from = i + 1;
    }
    if (out->whole && from < text.size()) out->lines.emplace_back(text, from);
    return out;
}

} // namespace

std::shared_ptr<const InputHead> readInputHead(const std::filesystem::path& file, std::optional<Encoding> encoding,
                                               std::size_t bytes) {
    // One head kept: a run, or the window, works on one novel at a time.
    static std::mutex lock;
    static std::optional<HeadKey> lastKey;
    static std::shared_ptr<const InputHead> last;
    const std::optional<HeadKey> key = keyOf(file, encoding, bytes);
    if (key) {
        const std::lock_guard<std::mutex> hold(lock);
        // The encoding the scan found, given back, reads the same lines as finding it did.
        if (lastKey && lastKey->sameFile(*key) &&
            (key->encoding ? *key->encoding == last->encoding : !lastKey->encoding))
            return last;
    }
    std::shared_ptr<const InputHead> head = decodeHead(file, encoding, bytes);
    // A file that could not be read is asked again next time: it may be there by then.
    if (key && !head->error) {
        const std::lock_guard<std::mutex> hold(lock);
        lastKey = key;
        last = head;
    }
    return head;
}

} // namespace pw

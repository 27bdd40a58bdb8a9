#include "split/output_files.h"

#include <random>
#include <utility>

#include "platform/paths.h"
#include "split/split_texts.h"

namespace pw {

namespace {

namespace t = split_text;

Text hex(unsigned v) {
    static constexpr char16_t digits[] = u"0123456789abcdef";
    Text s;
    for (int i = 0; i < 8; ++i, v >>= 4)
        s.insert(s.begin(), digits[v & 15]);
    return s;
}

// The temporary names: ".pagewright-<run tag>-<index>[-<attempt>].part".
constexpr char16_t kTempPrefix[] = u".pagewright-";
constexpr char16_t kTempSuffix[] = u".part";

} // namespace

TempFiles::TempFiles(TextView folder, Namer names, const FolderLock& lock)
    : m_folder(folder), m_names(std::move(names)), m_lock(lock), m_tag(hex(std::random_device{}())) {
    if (!endsWithSeparator(m_folder)) m_folder.push_back(kSeparator);
}

const PlannedFile& TempFiles::file(std::int64_t index) {
    auto it = m_files.find(index);
    if (it == m_files.end()) it = m_files.emplace(index, Entry{m_names(index), {}}).first;
    return it->second.planned;
}

OpenedOutput TempFiles::open(std::int64_t index, OutputFile& out) {
    const PlannedFile& f = file(index);
    OpenedOutput r;
    // Made exclusively like every output file; a name taken already just means another.
    for (int attempt = 0; attempt < 100; ++attempt) {
        Text temp = m_folder + kTempPrefix + m_tag;
        temp.append(u"-").append(decimal(index));
        if (attempt > 0) temp.append(u"-").append(decimal(attempt));
        temp.append(kTempSuffix);
        const auto e = out.open(temp, OutputMode::Create, &m_lock);
        if (!e) {
            m_files[index].temp = temp;
            r.opened = true;
            return r;
        }
        if (e->fault == FileFault::Other) {
            r.failure = Message{MsgId::CreateFailed, failureText(t::kCreateFailed, {f.path, e->reason}), f.path};
            return r;
        }
    }
    r.failure = Message{MsgId::CreateFailed, failureText(t::kCreateFailed, {f.path, u"无法创建临时文件"}), f.path};
    return r;
}

Text TempFiles::take(std::int64_t index) {
    const auto it = m_files.find(index);
    if (it == m_files.end()) return {};
    return std::exchange(it->second.temp, Text());
}

void TempFiles::removeAll() {
    for (auto& [index, e] : m_files) {
        if (!e.temp.empty()) (void)removeFile(e.temp, &m_lock);
        e.temp.clear();
    }
}

std::int64_t removeOrphanedTempFiles(const FolderLock& lock) {
    std::int64_t removed = 0;
    const Text& folder = lock.folder();
    for (const Text& name : lock.names()) {
        if (!name.starts_with(kTempPrefix) || !name.ends_with(kTempSuffix)) continue;
        const Text path = folder + name;
        // Only a file: a folder or a link of that name is nobody's temporary file.
        if (entryAt(path, &lock) == EntryKind::File && !removeFile(path, &lock)) ++removed;
    }
    return removed;
}

PlacedFiles placeAll(const OutputPlan& plan, TempFiles& temps, std::size_t bomLength, Encoding output, UiPort& ui,
                     const std::function<void(const PlannedFile&, bool appended)>& placed) {
    PlacedFiles out;
    for (const PlannedFile& f : plan.files) {
        if (ui.stopRequested()) {
            out.stopped = true;
            return out;
        }
        const Text temp = temps.take(f.index);
        if (temp.empty()) { // every planned file has a line of the input: never expected
            out.failure =
                Message{MsgId::CreateFailed, failureText(t::kCreateFailed, {f.path, u"没有写出内容"}), f.path};
            return out;
        }
        const OpenedOutput put = placeFinishedFile(f, temp, bomLength, output, ui, &temps.lock());
        if (!put.opened) {
            (void)removeFile(temp, &temps.lock());
            out.failure = put.failure;
            out.refused = put.refused;
            return out;
        }
        ++out.placed;
        placed(f, put.appended);
    }
    return out;
}

} // namespace pw

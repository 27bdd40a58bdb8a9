#include "output/output_files.h"

#include <random>
#include <utility>

#include "platform/paths.h"
#include "output/split_texts.h"

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

// The temporary names: ".pagewright-<run tag>-<index>[-<attempt>].part", and the run's own
// ".pagewright-<run tag>.lock", held while it lives.
constexpr const char16_t* kTempPrefix = kRunFilePrefix;
constexpr char16_t kTempSuffix[] = u".part";
constexpr char16_t kLockSuffix[] = u".lock";

// The run tag in a temporary file's name.
TextView tagOf(TextView name) {
    const TextView rest = name.substr(std::char_traits<char16_t>::length(kTempPrefix));
    return rest.substr(0, rest.find(u'-'));
}

} // namespace

TempFiles::TempFiles(TextView folder, Namer names, const FolderLock& lock)
    : m_folder(folder), m_names(std::move(names)), m_lock(lock) {
    if (!endsWithSeparator(m_folder)) m_folder.push_back(kSeparator);
}

bool TempFiles::claim() {
    if (m_alive.held()) return true;
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        m_tag = hex(random());
        const auto e = m_alive.create(m_folder + kTempPrefix + m_tag + kLockSuffix, &m_lock);
        if (!e) return true;
        if (e->fault != FileFault::Exists) return false;
    }
    return false;
}

const PlannedFile& TempFiles::file(std::int64_t index) {
    auto it = m_files.find(index);
    if (it == m_files.end()) it = m_files.emplace(index, Entry{m_names(index), {}}).first;
    return it->second.planned;
}

OpenedOutput TempFiles::open(std::int64_t index, OutputFile& out) {
    const PlannedFile& f = file(index);
    OpenedOutput r;
    if (!claim()) {
        r.failure = Message{MsgId::CreateFailed, failureText(t::kCreateFailed, {f.path, u"无法创建临时文件"}), f.path};
        return r;
    }
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
    m_alive.release();
}

std::int64_t removeOrphanedTempFiles(const FolderLock& lock) {
    std::int64_t removed = 0;
    const Text& folder = lock.folder();
    const std::vector<Text> names = lock.names();
    for (const Text& name : names) {
        if (!name.starts_with(kTempPrefix) || !name.ends_with(kTempSuffix)) continue;
        const Text path = folder + name;
        if (HeldFile::stateOf(folder + kTempPrefix + Text(tagOf(name)) + kLockSuffix, &lock) == HeldFile::State::Held)
            continue;
        // Only a file: a folder or a link of that name is nobody's temporary file.
        if (entryAt(path, &lock) == EntryKind::File && !removeFile(path, &lock)) ++removed;
    }
    // Then the dead runs' own marks, said to nobody: the user never saw them as files of theirs.
    for (const Text& name : names)
        if (name.starts_with(kTempPrefix) && name.ends_with(kLockSuffix))
            (void)HeldFile::removeIfFree(folder + name, &lock);
    return removed;
}

PlacedFiles placeAll(const OutputPlan& plan, TempFiles& temps, std::size_t bomLength, Encoding output, UiPort& ui,
                     const std::function<void(const PlannedFile&, bool appended)>& placed, RunUndo* undo) {
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
        const OpenedOutput put = placeFinishedFile(f, temp, bomLength, output, ui, &temps.lock(), undo);
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

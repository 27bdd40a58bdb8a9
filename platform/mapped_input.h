#pragma once
// An input file seen through a read-only memory mapping: the pass reads the page cache in
// place and writes out of it, one copy fewer than reading into a buffer.
//
// The price of a mapping is that a page the file no longer backs (another program truncated
// it) raises SIGBUS instead of a read error. Code that touches the mapping runs inside
// runGuarded, which turns such a fault into a false return; faults anywhere else keep their
// usual effect.
#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/files.h"

namespace pw {

class MappedInput {
public:
    MappedInput() = default;
    ~MappedInput() { unmap(); }
    MappedInput(const MappedInput&) = delete;
    MappedInput& operator=(const MappedInput&) = delete;

    // Maps the whole of the open file as it is now. False when this system or this file
    // cannot be mapped (the caller reads it instead); an empty file maps to no bytes.
    bool map(const InputFile& in);
    std::string_view bytes() const { return {m_data, m_size}; }
    bool isMapped() const { return m_mapped; }
    // Whether the file is now shorter than the mapping: pages past its end are gone.
    bool shrank() const;
    void unmap();

private:
    const char* m_data = nullptr;
    std::size_t m_size = 0;
    int m_fd = -1;
    bool m_mapped = false;
};

// Sets up the pages of `range` (part of a mapping) in one call ahead of their use, where the
// system can: cheaper than a fault per few pages. Reads the file in, so call it inside runGuarded.
void prefaultPages(std::string_view range);

// Runs `fn(ctx)`. Returns false, at once, when it touches a page of `mapping` that the file
// no longer backs; true when it returns normally. Frames left that way are not unwound: `fn`
// must keep no object with a destructor that matters between the calls that may touch the
// mapping, and must leave its own state usable at every such call.
bool runGuarded(const MappedInput& mapping, void (*fn)(void*), void* ctx);

template <class F>
bool runGuarded(const MappedInput& mapping, F& f) {
    return runGuarded(mapping, [](void* c) { (*static_cast<F*>(c))(); }, &f);
}

} // namespace pw

// The output name maker: folder and base name as UTF-8 separated by 0x01, after eight bytes
// for the start number, the width and the file index.
#include <cstring>

#include "fuzz_input.h"
#include "options/make_out_name.h"
#include "platform/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pwfuzz::FuzzInput in(data, size);
    pw::WorkingState st;
    std::int32_t start = 0, width = 0;
    std::uint8_t raw[8] = {};
    for (std::uint8_t& b : raw)
        b = in.byte();
    std::memcpy(&start, raw, 4);
    width = static_cast<std::int32_t>(raw[4] % 40) - 4; // widths from -4 to 35
    const std::int64_t index = static_cast<std::int8_t>(raw[5]) * (raw[6] & 1 ? 100000000LL : 1LL);
    st.lngStartNum = start;
    st.lngNumWidth = width;
    st.strOutDir = pw::fromUtf8(in.field('\x01'));
    st.strOutName = pw::fromUtf8(in.rest());
    const pw::Text name = pw::MakeOutName(st, index, true);
    const pw::Text path = pw::MakeOutName(st, index, false);
    // The path is the folder, a separator when it lacks one, the name and ".txt".
    PW_FUZZ_CHECK(path.starts_with(st.strOutDir));
    PW_FUZZ_CHECK(path.ends_with(name + u".txt"));
    PW_FUZZ_CHECK(name.starts_with(st.strOutName));
    if (index <= 0) PW_FUZZ_CHECK(name == st.strOutName + u"(index)");
    return 0;
}

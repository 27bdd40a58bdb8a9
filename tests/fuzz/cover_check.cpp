// A cover's bytes, whatever they are: the check says whole or not without reading past them,
// and what it calls whole has a size.
#include "formats/epub/cover_check.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const pw::CoverCheck c = pw::checkCoverImage(std::string_view(reinterpret_cast<const char*>(data), size));
    if (c.whole()) PW_FUZZ_CHECK(c.width > 0 && c.height > 0);
    return 0;
}

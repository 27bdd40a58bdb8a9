// The option intake of the five fields (the window's and the command line's) and the command
// line's -x list: fields separated by 0x01, the last one the list.
#include "options/intake.h"
#include "cli/exclude_list.h"
#include "fuzz_input.h"
#include "options/feedback.h"
#include "options/make_out_name.h"
#include "platform/text.h"

namespace {

using NoUi = pwfuzz::NoUi;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pwfuzz::FuzzInput in(data, size);
    const std::uint8_t flags = in.byte();
    pw::OptionFields f;
    f.txtFile = pw::fromUtf8(in.field('\x01'));
    f.txtOut = pw::fromUtf8(in.field('\x01'));
    f.txtFileOut = pw::fromUtf8(in.field('\x01'));
    f.txtFindStr = pw::fromUtf8(in.field('\x01'));
    f.txtNum = pw::fromUtf8(in.field('\x01'));
    f.chkDeleteSpc = flags % 3;
    f.chkDoEvents = (flags / 3) % 3;
    const std::string_view list = in.rest();

    (void)pw::txtFileWarns(f.txtFile, f.txtFile);
    (void)pw::txtOutWarns(f.txtOut);
    (void)pw::txtFileOutWarns(f.txtFileOut);
    (void)pw::txtFindStrWarns(f.txtFindStr);
    (void)pw::txtNumWarns(f.txtNum);
    (void)pw::judgeInputFile(f.txtFile);

    pw::WorkingState st;
    NoUi ui;
    pw::FieldWriteBacks back;
    if (pw::CheckOptions(f, flags & 0x40 ? 1 : 0, st, ui, back)) {
        // Whatever was taken in names files: the first of them, and the preamble's.
        // (A field may be light red and still be taken: an empty count means the default.)
        PW_FUZZ_CHECK(st.lngChapsPerFile >= 1);
        (void)pw::MakeOutName(st, 0, true);
        (void)pw::MakeOutName(st, 1, false);
    }

    const pw::cli::ExcludeList x = pw::cli::parseExcludeList(list);
    if (x.error.empty()) {
        for (const std::int64_t count : {std::int64_t{0}, std::int64_t{1}, std::int64_t{100}, std::int64_t{1} << 40})
            (void)x.rangeError(count);
    }
    return 0;
}

// The heading scan alone, for timing against general tools: pw-scan-bench FILE [PATTERN]
// [--no-prefilter] [--no-analysis] prints the number of matching lines, like `rg -c`.
#include <cstdio>
#include <cstring>

#include "options/settings.h"
#include "scan/scan_pass.h"

namespace {

class ConsolePort : public pw::UiPort {
public:
    pw::MsgAnswer messageBox(const pw::Message& msg) override {
        std::fprintf(stderr, "%s\n", pw::toUtf8(msg.text).c_str());
        return pw::MsgAnswer::No;
    }
    void setStatus(pw::TextView) override {}
    void setProgress(int) override {}
    void pumpEvents() override {}
};

class Counter : public pw::ScanReceiver {
public:
    void heading(const pw::HeadingFound&) override {}
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE [PATTERN]\n", argv[0]);
        return 2;
    }
    pw::WorkingState state;
    state.strInFile = pw::fromUtf8(argv[1]);
    state.strFindStr = argc > 2 ? pw::fromUtf8(argv[2]) : pw::Text(pw::kDefaultPattern);
    ConsolePort ui;
    Counter counter;
    pw::ScanOptions options;
    for (int i = 3; i < argc; ++i) {
        if (std::strcmp(argv[i], "--no-prefilter") == 0) options.prefilter = false;
        if (std::strcmp(argv[i], "--no-analysis") == 0) options.analysis = false;
    }
    const pw::ScanResult r = pw::runScan(state, ui, counter, options);
    if (r.outcome != pw::ScanOutcome::Finished) return 1;
    std::printf("%lld\n", static_cast<long long>(state.lngMatchCount));
    return 0;
}

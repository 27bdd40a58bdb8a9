#pragma once
#include <functional>
// The command line's side of the UI port: refusals go to stderr as one line, questions are
// answered from the options (nobody is there to click), and a progress bar is drawn on
// stderr when it is a terminal, at most ten times a second.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "cli/cli_options.h"
#include "platform/ui_port.h"

namespace pw::cli {

class ConsoleUi : public UiPort {
public:
    // `outIsTerminal`: standard output goes to the same screen, so the bar is wiped before
    // each line printed there.
    ConsoleUi(const CliOptions& opts, std::FILE* err, bool errIsTerminal, bool outIsTerminal);
    ~ConsoleUi() override { clearBar(); }

    // Questions are answered by their id: those the options settle get their answer, any
    // other is refused (Cancel, which stops the pass) with a line on stderr (cli_texts.h).
    MsgAnswer messageBox(const Message& msg) override;
    void setStatus(TextView text) override;
    // Progress of a pass in per cent (0..100); drawn on the next turn.
    void setProgress(int percent) override { m_percent = std::clamp(percent, 0, 100); }
    void pumpEvents() override;
    // Once SIGINT or SIGTERM came (interrupt.h).
    bool stopRequested() const override;

    const Text& lastStatus() const { return m_status; }
    const CliOptions& options() const { return m_opts; }
    void error(const std::string& line);
    // A line on stderr that is no refusal: what was done besides the job (folders made).
    void note(const std::string& line);
    // The last line error() printed, for the JSON record of a run that failed.
    const std::string& lastError() const { return m_lastError; }
    // What to add to the refusal of a run that found no heading (the presets that would find
    // some), asked for only then: it reads the file's first part.
    void setNoHeadingsHint(std::function<std::string()> hint) { m_noHeadingsHint = std::move(hint); }
    // Call before writing a line to standard output.
    void beforeOutput() {
        if (m_wipeForOutput) clearBar();
    }

private:
    void drawBar(bool force);
    void clearBar();

    const CliOptions& m_opts;
    std::function<std::string()> m_noHeadingsHint;
    std::FILE* m_err;
    bool m_bar;
    bool m_wipeForOutput;
    bool m_drawn = false;
    int m_percent = 0;
    Text m_status;
    std::string m_lastError;
    std::chrono::steady_clock::time_point m_lastDraw{};
};

} // namespace pw::cli

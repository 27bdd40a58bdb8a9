#include "cli/console_ui.h"

#include <algorithm>

#include "cli/cli_texts.h"
#include "cli/interrupt.h"

namespace pw::cli {

ConsoleUi::ConsoleUi(const CliOptions& opts, std::FILE* err, bool errIsTerminal, bool outIsTerminal)
    : m_opts(opts), m_err(err), m_bar(errIsTerminal && !opts.quiet), m_wipeForOutput(m_bar && outIsTerminal) {}

void ConsoleUi::error(const std::string& line) {
    clearBar();
    m_lastError = line;
    std::fprintf(m_err, "pagewright-cli: %s\n", line.c_str());
    std::fflush(m_err);
}

void ConsoleUi::note(const std::string& line) {
    clearBar();
    std::fprintf(m_err, "pagewright-cli: %s\n", line.c_str());
    std::fflush(m_err);
}

MsgAnswer ConsoleUi::messageBox(const Message& msg) {
    switch (msg.id) {
    case MsgId::OfferCreateFolder:
        if (m_opts.createDir) return MsgAnswer::Yes;
        break;
    case MsgId::OutputExists:
        if (m_opts.existing == Existing::Overwrite) return MsgAnswer::Yes;
        if (m_opts.existing == Existing::Append) return MsgAnswer::No;
        break;
    case MsgId::About:
        return MsgAnswer::Ok;
    case MsgId::OrphansRemoved: // housekeeping: said unless asked to be quiet
        if (m_opts.quiet) return MsgAnswer::Ok;
        break;
    case MsgId::AppendUndone: {
        // Part of the failure said just before, for the JSON record and a batch's summary too.
        const std::string text = cliText(msg, m_opts);
        note(text);
        m_lastError += m_lastError.empty() ? text : "；" + text;
        return MsgAnswer::Ok;
    }
    default:
        break;
    }
    // A refusal, or a doubt (the file changed since the scan, ...) that is not ours to wave
    // through: said as what happened and what to do.
    std::string text = cliText(msg, m_opts);
    // Still one line: the refusal, then what would find headings instead.
    if (msg.id == MsgId::NoHeadings && m_noHeadingsHint)
        if (const std::string hint = m_noHeadingsHint(); !hint.empty() && text.ends_with("。"))
            text = text.substr(0, text.size() - std::string_view("。").size()) + "；" + hint + "。";
    error(text);
    return msg.isQuestion() ? MsgAnswer::Cancel : MsgAnswer::Ok;
}

bool ConsoleUi::stopRequested() const {
    return stopSignal() != 0;
}

void ConsoleUi::setStatus(TextView text) {
    m_status = Text(text);
}

void ConsoleUi::pumpEvents() {
    drawBar(false);
}

void ConsoleUi::drawBar(bool force) {
    if (!m_bar) return;
    const auto now = std::chrono::steady_clock::now();
    // Throttled from the last draw even when a printed line wiped the bar since, so a scan
    // that prints many headings does not redraw it at every turn.
    if (!force && now - m_lastDraw < std::chrono::milliseconds(100)) return;
    m_lastDraw = now;
    const int width = 40;
    const int filled = m_percent * width / 100;
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.append(static_cast<std::size_t>(width - filled), '-');
    std::fprintf(m_err, "\r[%s] %3d%%", bar.c_str(), m_percent);
    std::fflush(m_err);
    m_drawn = true;
}

void ConsoleUi::clearBar() {
    if (!m_drawn) return;
    std::fprintf(m_err, "\r%*s\r", 48, "");
    std::fflush(m_err);
    m_drawn = false;
}

} // namespace pw::cli

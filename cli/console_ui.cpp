#include "cli/console_ui.h"

#include <algorithm>

namespace pw::cli {

ConsoleUi::ConsoleUi(const CliOptions& opts, std::FILE* err, bool errIsTerminal, bool outIsTerminal)
    : m_opts(opts), m_err(err), m_bar(errIsTerminal && !opts.quiet), m_wipeForOutput(m_bar && outIsTerminal) {}

void ConsoleUi::error(const std::string& line) {
    clearBar();
    std::fprintf(m_err, "pagewright-cli: %s\n", line.c_str());
    std::fflush(m_err);
}

MsgAnswer ConsoleUi::messageBox(const Message& msg) {
    switch (msg.id) {
    case MsgId::OfferCreateFolder:
        if (m_opts.createDir) return MsgAnswer::Yes;
        error(
            toUtf8(u"输出目录不存在（加 --create-dir 可创建）：" + Text(m_opts.out ? fromUtf8(*m_opts.out) : Text())));
        return MsgAnswer::Cancel;
    case MsgId::OutputExists:
        if (m_opts.existing == Existing::Overwrite) return MsgAnswer::Yes;
        if (m_opts.existing == Existing::Append) return MsgAnswer::No;
        break;
    case MsgId::About:
        return MsgAnswer::Ok;
    default:
        if (!msg.isQuestion()) {
            error(toUtf8(msg.text));
            return MsgAnswer::Ok;
        }
        break;
    }
    // Any other doubt (the file changed since the scan, ...) is not ours to wave through:
    // said as a statement, without the question mark.
    TextView text = msg.text;
    if (!text.empty() && text.back() == u'？') text.remove_suffix(1);
    error(toUtf8(text));
    return MsgAnswer::Cancel;
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

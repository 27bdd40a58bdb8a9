#include "cli/console_ui.h"

#include <algorithm>

namespace pw::cli {

namespace {

bool endsWith(TextView s, TextView tail) {
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

} // namespace

ConsoleUi::ConsoleUi(const CliOptions& opts, std::FILE* err, bool errIsTerminal, bool outIsTerminal)
    : m_opts(opts), m_err(err), m_bar(errIsTerminal && !opts.quiet), m_wipeForOutput(m_bar && outIsTerminal) {}

void ConsoleUi::error(const std::string& line) {
    clearBar();
    std::fprintf(m_err, "pagewright-cli: %s\n", line.c_str());
    std::fflush(m_err);
    m_refused = true;
}

MsgAnswer ConsoleUi::messageBox(TextView text, MsgStyle style) {
    switch (style) {
    case MsgStyle::Offer: // the only offer is to create a missing output folder
        if (m_opts.createDir) return MsgAnswer::Yes;
        error(
            toUtf8(u"输出目录不存在（加 --create-dir 可创建）：" + Text(m_opts.out ? fromUtf8(*m_opts.out) : Text())));
        return MsgAnswer::No;
    case MsgStyle::Warning:
        if (endsWith(text, u"已存在，删除？")) {
            if (m_opts.existing == Existing::Overwrite) return MsgAnswer::Yes;
            if (m_opts.existing == Existing::Append) return MsgAnswer::No;
        }
        // Any other doubt (the file changed since the scan, ...) is not ours to wave through.
        error(toUtf8(text.substr(0, text.size() - (endsWith(text, u"？") ? 1 : 0))));
        return MsgAnswer::No;
    case MsgStyle::Refusal:
        error(toUtf8(text));
        return MsgAnswer::Ok;
    case MsgStyle::About:
        return MsgAnswer::Ok;
    }
    return MsgAnswer::No;
}

void ConsoleUi::setStatus(TextView text) {
    m_status = Text(text);
}

void ConsoleUi::setProgressTwips(float twips) {
    m_percent = std::clamp(static_cast<int>(twips / 48.9f + 0.5f), 0, 100);
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

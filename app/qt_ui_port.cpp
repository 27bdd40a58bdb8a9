#include "app/qt_ui_port.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <cmath>

namespace pw {

QString toQ(TextView s) { return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size())); }

Text fromQ(const QString& s) { return s.toStdU16String(); }

QtUiPort::QtUiPort(QWidget* owner, QLabel* status, QWidget* progress)
    : m_owner(owner), m_status(status), m_progress(progress) {}

MsgAnswer QtUiPort::messageBox(const Message& msg) {
    if (m_answerer) {
        if (const auto a = m_answerer(msg)) return *a;
    }
    const MsgStyle style = msg.style();
    QMessageBox box(m_owner);
    box.setWindowTitle(toQ(titleFor(style)));
    box.setText(toQ(msg.text));
    switch (style) {
    case MsgStyle::Refusal:
        box.setIcon(QMessageBox::Critical);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MsgStyle::Notice:
        box.setIcon(QMessageBox::Warning);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MsgStyle::About:
        box.setIcon(QMessageBox::Information);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MsgStyle::Offer:
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        break;
    case MsgStyle::Warning:
        box.setIcon(QMessageBox::Warning);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::No);
        break;
    }
    // The window speaks Chinese; so do the buttons of its boxes.
    if (QAbstractButton* b = box.button(QMessageBox::Ok)) b->setText(QStringLiteral("确定"));
    if (QAbstractButton* b = box.button(QMessageBox::Yes)) b->setText(QStringLiteral("是(&Y)"));
    if (QAbstractButton* b = box.button(QMessageBox::No)) b->setText(QStringLiteral("否(&N)"));
    // A top-most owner needs a top-most box, or the box could open behind it.
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    const int r = box.exec();
    if (r == QMessageBox::Yes) return MsgAnswer::Yes;
    if (r == QMessageBox::No) return MsgAnswer::No;
    return (style == MsgStyle::Offer || style == MsgStyle::Warning) ? MsgAnswer::No : MsgAnswer::Ok;
}

void QtUiPort::setStatus(TextView text) {
    m_status->setText(toQ(text));
    m_status->adjustSize();
}

void QtUiPort::setProgress(int percent) {
    // The bar is 4890 twips wide at 100%; 15 twips to the pixel, and never narrower than one.
    const float twips = static_cast<float>(static_cast<double>(percent) * 48.9);
    const int px = static_cast<int>(std::lround(twips / 15.0f));
    m_progress->resize(std::max(px, 1), m_progress->height());
}

void QtUiPort::pumpEvents() { QApplication::processEvents(QEventLoop::AllEvents); }

} // namespace pw

#pragma once
// lblState as assistive technology should meet it: a status line whose name is the message it
// shows (a screen reader heard only "状态", never the message). Without a fixed accessible name,
// QLabel announces each new text as a change of that name.
#include <QLabel>

namespace pw {

class StatusLine : public QLabel {
    Q_OBJECT
public:
    StatusLine(const QString& text, QWidget* parent);
};

} // namespace pw

#pragma once
// Two standard controls that behave as people know them from the classic list box and
// check box, where Qt's own differ in small ways a user feels.
#include <QCheckBox>
#include <QListView>

namespace pw {

// A check box that toggles on a click anywhere in its rectangle, not only on the box and
// the caption's drawn text.
class ClassicCheckBox : public QCheckBox {
    Q_OBJECT
public:
    using QCheckBox::QCheckBox;

protected:
    bool hitButton(const QPoint& pos) const override;
};

// A multi-select list in which every click toggles its entry, the second click of a double
// click included, and Home and End always bring the first or last entry into view. While it
// is empty it may show a hint in its middle.
class ClassicListBox : public QListView {
    Q_OBJECT
public:
    using QListView::QListView;

    void setEmptyHint(const QString& hint);
    const QString& emptyHint() const { return m_emptyHint; }

protected:
    void paintEvent(QPaintEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    QString m_emptyHint;
};

} // namespace pw

#include "app/classic_widgets.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace pw {

bool ClassicCheckBox::hitButton(const QPoint& pos) const {
    return rect().contains(pos);
}

void ClassicListBox::mouseDoubleClickEvent(QMouseEvent* e) {
    // Qt turns the second of two quick clicks into a double click, which selects nothing;
    // here it is one more click and toggles its entry like the first.
    QMouseEvent press(QEvent::MouseButtonPress, e->position(), e->scenePosition(), e->globalPosition(), e->button(),
                      e->buttons(), e->modifiers(), e->pointingDevice());
    mousePressEvent(&press);
    e->setAccepted(press.isAccepted());
}

void ClassicListBox::setEmptyHint(const QString& hint) {
    m_emptyHint = hint;
    viewport()->update();
}

void ClassicListBox::paintEvent(QPaintEvent* e) {
    QListView::paintEvent(e);
    if (m_emptyHint.isEmpty() || (model() && model()->rowCount(rootIndex()) > 0)) return;
    QPainter p(viewport());
    p.setPen(palette().color(QPalette::Disabled, QPalette::Text));
    p.drawText(viewport()->rect().adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap, m_emptyHint);
}

void ClassicListBox::keyPressEvent(QKeyEvent* e) {
    QListView::keyPressEvent(e);
    // Qt scrolls only when the current entry moves; a view scrolled away from a current first
    // (or last) entry would stay where it is.
    const int rows = model() ? model()->rowCount(rootIndex()) : 0;
    if (rows == 0) return;
    if (e->key() == Qt::Key_Home)
        scrollTo(model()->index(0, 0, rootIndex()));
    else if (e->key() == Qt::Key_End)
        scrollTo(model()->index(rows - 1, 0, rootIndex()));
}

} // namespace pw

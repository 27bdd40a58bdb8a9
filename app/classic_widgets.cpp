#include "app/classic_widgets.h"

#include <QKeyEvent>
#include <QMouseEvent>

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

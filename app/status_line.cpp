#include "app/status_line.h"

#include <QAccessibleWidget>

namespace pw {

namespace {

// A label's own interface is static text; this one is a status bar named by its text.
class StatusLineAccessible : public QAccessibleWidget {
public:
    explicit StatusLineAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::StatusBar) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return static_cast<const QLabel*>(widget())->text();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* statusLineFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("pw::StatusLine") && object && object->isWidgetType())
        return new StatusLineAccessible(static_cast<QWidget*>(object));
    return nullptr;
}

} // namespace

StatusLine::StatusLine(const QString& text, QWidget* parent) : QLabel(text, parent) {
    static const bool installed = [] {
        QAccessible::installFactory(statusLineFactory);
        return true;
    }();
    (void)installed;
    // Only the description: a fixed name would stand for every message and silence the changes.
    setAccessibleDescription(QStringLiteral("状态"));
}

} // namespace pw

#include "base/ui/key_filter.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QWidget>

namespace printune {

namespace {

const char* const kProperty = "printuneEnterEsc";

// One application-wide filter: it sees the key before the focused control,
// the default button or QDialog's own Esc handling do.
class EnterEscFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress)
            return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter && key != Qt::Key_Escape)
            return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget)
            return false;
        QWidget* window = widget->window();
        const QVariant mode = window->property(kProperty);
        if (!mode.isValid())
            return false;
        if (mode.toInt() == static_cast<int>(EnterEsc::CloseWithout)) {
            if (auto* dialog = qobject_cast<QDialog*>(window))
                dialog->reject();
        }
        return true;
    }
};

} // namespace

void SetEnterEscBehaviour(QWidget* window, EnterEsc behaviour) {
    static EnterEscFilter* filter = [] {
        auto* f = new EnterEscFilter(qApp);
        qApp->installEventFilter(f);
        return f;
    }();
    (void)filter;
    window->setProperty(kProperty, static_cast<int>(behaviour));
}

} // namespace printune

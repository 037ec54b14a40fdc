#include "platform/Retyping.h"

#include <QFocusEvent>
#include <QLineEdit>
#include <QMetaObject>
#include <QPlainTextEdit>

namespace Retyping {
namespace {

void selectAll(QWidget* box) {
    if (auto* line = qobject_cast<QLineEdit*>(box))
        line->selectAll();
    else if (auto* text = qobject_cast<QPlainTextEdit*>(box))
        text->selectAll();
}

// Selects the box's text once more after its next focus-in has been handled.
class SelectOnArrival : public QObject {
public:
    explicit SelectOnArrival(QWidget* box) : QObject(box) { box->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::FocusIn) {
            auto* box = static_cast<QWidget*>(watched);
            QMetaObject::invokeMethod(box, [box] { selectAll(box); }, Qt::QueuedConnection);
            deleteLater();
        } else if (event->type() == QEvent::KeyPress ||
                   (event->type() == QEvent::FocusOut &&
                    static_cast<QFocusEvent*>(event)->reason() != Qt::ActiveWindowFocusReason &&
                    static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)) {
            deleteLater();  // the user has moved on; the offer no longer stands
        }
        return false;
    }
};

}  // namespace

void offer(QWidget* box) {
    if (!box)
        return;
    for (QObject* child : box->children())
        if (dynamic_cast<SelectOnArrival*>(child))
            delete child;
    box->setFocus(Qt::OtherFocusReason);
    selectAll(box);
    // A message box may still come and go, or the window be inactive now.
    new SelectOnArrival(box);
}

}  // namespace Retyping

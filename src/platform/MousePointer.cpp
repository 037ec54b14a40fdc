#include "platform/MousePointer.h"

#include <QApplication>

namespace MousePointer {
namespace {
Shape state = Shape::Default;
}

void set(Shape shape) {
    state = shape;
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return;
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    if (shape == Shape::Hourglass)
        QApplication::setOverrideCursor(Qt::WaitCursor);
}

Shape current() { return state; }

}  // namespace MousePointer

#include "platform/Form.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMdiSubWindow>
#include <QScreen>

#include "platform/FormRegistry.h"

Form::Form(const QString& name, Kind kind, QWidget* parent) : QWidget(parent), m_kind(kind) {
    setObjectName(name);
    setAttribute(Qt::WA_DeleteOnClose, false);
}

QWidget* Form::window_() const {
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
        return sub;
    return const_cast<Form*>(this);
}

void Form::centreOnScreen() {
    QWidget* w = window_();
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize s = screen ? screen->size() : QSize(1024, 768);
    const QSize size = w->size().isValid() ? w->size() : sizeHint();
    const int top = (s.height() - size.height()) / 2;
    const int left = (s.width() - size.width()) / 2;
    w->move(left, top);
}

void Form::setCaption(const QString& caption) {
    setWindowTitle(caption);
    if (QWidget* w = window_(); w != this)
        w->setWindowTitle(caption);
}

void Form::unloadMe() { FormRegistry::instance().unload(objectName()); }

void Form::closeEvent(QCloseEvent* e) {
    // The close box unloads the form; the registry hides and destroys the window.
    e->ignore();
    unloadMe();
}

void Form::keyPressEvent(QKeyEvent* e) {
    if (m_closesOnEscape && e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
        window_()->close();  // the close box's way, with its writes
        return;
    }
    QWidget::keyPressEvent(e);
}

void setHelpContext(QWidget* control, int context) { control->setProperty("helpContextID", context); }

int helpContextOf(const QWidget* control) { return control ? control->property("helpContextID").toInt() : 0; }

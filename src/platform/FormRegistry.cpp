#include <QGuiApplication>

#include "platform/FormRegistry.h"

#include <QMdiArea>
#include <QMdiSubWindow>

#include "platform/Dialogs.h"
#include "platform/Form.h"

namespace {
// The sub-window of a child form: closing it unloads the form.
class FormSubWindow : public QMdiSubWindow {
public:
    explicit FormSubWindow(Form* f) : m_form(f) { setAttribute(Qt::WA_DeleteOnClose, false); }

protected:
    void closeEvent(QCloseEvent* e) override {
        e->ignore();
        if (m_form)
            m_form->unloadMe();
    }

private:
    QPointer<Form> m_form;
};
}  // namespace

FormRegistry& FormRegistry::instance() {
    static FormRegistry r;
    return r;
}

void FormRegistry::registerForm(const QString& name, Factory factory) { m_factories.insert(name, std::move(factory)); }

Status FormRegistry::load(const QString& name) {
    if (isLoaded(name))
        return Status::ok();
    if (!m_factories.contains(name))
        return Status::fail(QStringLiteral("The form %1 is not available in this version of Varnex.").arg(name));
    Form* f = m_factories.value(name)();
    if (!f)
        return Status::fail(QStringLiteral("The form %1 could not be created.").arg(name));
    f->setObjectName(name);
    if (f->kind() == Form::Kind::Child && m_area) {
        auto* sub = new FormSubWindow(f);
        sub->setObjectName(name + QStringLiteral("Window"));
        sub->setWidget(f);
        sub->setWindowTitle(f->windowTitle());
        m_area->addSubWindow(sub);
        sub->adjustSize();
    } else if (f->windowType() == Qt::Dialog && m_area) {
        // A dialog (the sort dialogs) belongs to the background window, so it
        // stays above it when the form it serves is clicked.
        f->setParent(m_area->window(), f->windowFlags());
    }
    m_forms.insert(name, f);
    m_order.append(name);
    f->onLoad();
    return Status::ok();
}

Status FormRegistry::show(const QString& name) {
    const Status s = load(name);
    if (!s)
        return s;
    Form* f = form(name);
    if (!f)  // the load handler unloaded it again
        return Status::ok();
    QWidget* w = f->window_();
    f->show();
    w->show();
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))  // it cannot raise
        w->raise();
    w->activateWindow();
    return Status::ok();
}

void FormRegistry::hide(const QString& name) {
    if (Form* f = form(name))
        f->window_()->hide();
}

bool FormRegistry::isVisible(const QString& name) const {
    Form* f = form(name);
    return f && f->window_()->isVisible() && f->isVisible();
}

void FormRegistry::unload(const QString& name) {
    Form* f = form(name);
    if (!f || m_unloading.contains(name))
        return;
    m_unloading.append(name);
    f->onUnload();
    m_unloading.removeAll(name);
    m_openedFrom.remove(name);
    // The unload handler may have shown other forms; this one goes now.
    m_forms.remove(name);
    m_order.removeAll(name);
    QWidget* w = f->window_();
    w->hide();
    if (w != f) {
        if (m_area)
            m_area->removeSubWindow(w);
    }
    w->deleteLater();
}

void FormRegistry::unloadAll() {
    // Newest first; an unload handler may show (and so load) another form, which
    // a further pass unloads. Forms already unloading are left to finish.
    for (int pass = 0; pass < 4; ++pass) {
        QStringList pending;
        for (const QString& n : m_order)
            if (!m_unloading.contains(n))
                pending.prepend(n);
        if (pending.isEmpty())
            return;
        for (const QString& n : pending)
            unload(n);
    }
}

bool FormRegistry::open(const QString& target, const QString& fromMenu) {
    const Status s = show(target);
    if (!s) {
        Dialogs::showError(s);
        return false;
    }
    hide(fromMenu);
    m_openedFrom.insert(target, fromMenu);
    return true;
}

void FormRegistry::returnFrom(const QString& form) {
    const QString menu = m_openedFrom.take(form);
    if (!menu.isEmpty() && menu != QLatin1String("frmMain")) {
        show(menu);
        return;
    }
    // The main menu: only over an empty background.
    if (m_area)
        for (QMdiSubWindow* sub : m_area->subWindowList())
            if (sub->isVisible() && sub->widget() && sub->widget()->objectName() != form)
                return;
    showMainMenu();
}

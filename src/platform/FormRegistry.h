#pragma once
#include <functional>

#include <QHash>
#include <QPointer>
#include <QString>

#include "platform/Status.h"

#include "platform/Form.h"
#include <QMdiArea>

// One instance per form. load() constructs the form and runs its load handler
// once; show() loads when needed and shows it not modal; unload() runs the
// unload handler and destroys it. Child forms go into the background window's
// MDI area when one is set, otherwise they are windows of their own.
class FormRegistry {
public:
    using Factory = std::function<Form*()>;
    static FormRegistry& instance();

    void registerForm(const QString& name, Factory factory);
    bool isKnown(const QString& name) const { return m_factories.contains(name); }

    Status load(const QString& name);
    Status show(const QString& name);
    void hide(const QString& name);
    void unload(const QString& name);
    void unloadAll();  // every loaded form, newest first

    bool isLoaded(const QString& name) const { return m_forms.contains(name) && m_forms.value(name); }
    bool isVisible(const QString& name) const;
    Form* form(const QString& name) const { return m_forms.value(name); }
    template <class T>
    T* formAs(const QString& name) const { return qobject_cast<T*>(form(name)); }
    QStringList loadedForms() const { return m_order; }

    void setMdiArea(QMdiArea* area) { m_area = area; }
    QMdiArea* mdiArea() const { return m_area; }

    // Loads the target, shows it and hides the menu it was opened from. A target
    // that cannot be opened is reported in a message box; the menu stays.
    bool open(const QString& target, const QString& fromMenu);
    // Shows the main menu (a sub-menu that is left returns there).
    void showMainMenu() { show(QStringLiteral("frmMain")); }
    // What a working form's unload shows: the menu it was opened from; a form
    // opened otherwise (the Analysis menu, a key in another form) brings the
    // main menu back only when no other form is left on screen, so the main
    // menu never comes up over an open editor or table.
    void returnFrom(const QString& form);
    // Every form name known to the registry.
    QStringList registeredForms() const { return m_factories.keys(); }

private:
    QHash<QString, Factory> m_factories;
    QHash<QString, QPointer<Form>> m_forms;
    QStringList m_order;
    QStringList m_unloading;
    QHash<QString, QString> m_openedFrom;  // form -> the menu that opened it
    QPointer<QMdiArea> m_area;
};

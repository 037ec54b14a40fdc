#pragma once
#include <QList>

#include "platform/Form.h"

// The four menu forms (main menu and the Data Entry, Table and Reports menus)
// are one class, each driven by its row of the menu table.
struct MenuEntry {
    enum class Action {
        Open,          // load and show the target, hide this menu
        OpenKeepMenu,  // load and show the target, this menu stays visible
        ExitMenu,      // unload this menu, show the main menu
        ExitProgram,   // hide the background window, then unload it
        Run            // the menu form's own operation (runEntry); the menu stays
    };
    QString button;  // button name, e.g. "cmdDataEntry"
    QString label;   // label name, e.g. "lblDataEntry"
    QString text;    // label text, e.g. "Data Entry"
    Action action;
    QString target;  // form opened
    int helpContext = 0;
    int tabIndex = -1;  // -1: tab order follows the entry order
};

struct MenuDefinition {
    QString form;
    QString frameCaption;
    QString title;      // "Varnex" on the main menu, " Varnex" on the sub-menus
    int helpContext;
    bool centreOnBackground;
    QList<MenuEntry> entries;
};

// The menu table.
const QList<MenuDefinition>& menuDefinitions();

class MenuForm : public Form {
    Q_OBJECT
public:
    explicit MenuForm(const MenuDefinition& definition);
    void onLoad() override;
    void onUnload() override;

protected:
    // The operation of a Run entry.
    virtual void runEntry(const MenuEntry&) {}

private:
    void activate(const MenuEntry& entry);
    MenuDefinition m_def;
};

#pragma once
#include "shell/MenuForm.h"

// frmUtility: a menu form like the others, with one entry of its own that
// runs the new-database exchange while the menu stays shown.
class UtilityMenu : public MenuForm {
    Q_OBJECT
public:
    UtilityMenu();
    static MenuDefinition definition();

protected:
    void runEntry(const MenuEntry& entry) override;

private:
    void newDatabase();
};

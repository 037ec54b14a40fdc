#include "utilities/UtilityMenu.h"

#include "database/Schema.h"
#include "platform/Dialogs.h"
#include "platform/MousePointer.h"
#include "utilities/DatabaseExchange.h"

MenuDefinition UtilityMenu::definition() {
    using A = MenuEntry::Action;
    const QString self = QStringLiteral("frmUtility");
    return MenuDefinition{
        self, QStringLiteral("Utility Menu"), QStringLiteral("Varnex"), 180, false,
        {
            {QStringLiteral("cmdCompactRepair"), QStringLiteral("lblCompactRepair"), QStringLiteral("Compact and Repair Database"), A::Open, QStringLiteral("frmRepair")},
            {QStringLiteral("Command2"), QStringLiteral("lblBackup"), QStringLiteral("Backup Database"), A::Open, QStringLiteral("frmBackUp"), 200},
            {QStringLiteral("cmdNewDatabase"), QStringLiteral("lblNewDatabase"), QStringLiteral("Erase Demo - Create  New Database"), A::Run, QString(), 200},
            {QStringLiteral("cmdExitUtility"), QStringLiteral("lblExitUtility"), QStringLiteral("Exit Utility Menu"), A::ExitMenu, QString()},
        }};
}

UtilityMenu::UtilityMenu() : MenuForm(definition()) {}

void UtilityMenu::runEntry(const MenuEntry& entry) {
    if (entry.button == QLatin1String("cmdNewDatabase"))
        newDatabase();
}

void UtilityMenu::newDatabase() {
    if (Schema::isServer()) {
        Dialogs::show(DatabaseExchange::serverRefusal());
        return;
    }
    const Dialogs::Answer answer = Dialogs::show(
        QStringLiteral("This utility eliminates the demo database and creates a new blank database for you to "
                       "customize to your business. Do you want to continue?"),
        Dialogs::Buttons::OkCancel);
    if (answer != Dialogs::Answer::Ok)
        return;
    MousePointer::hourglass();
    DatabaseExchange exchange;
    const Status s = exchange.run();
    MousePointer::arrow();
    if (!s) {
        Dialogs::showError(s);
        return;
    }
    Dialogs::show(QStringLiteral("The new database is setup. Click ok to continue"));
}

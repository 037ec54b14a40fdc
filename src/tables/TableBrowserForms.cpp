#include "platform/FormRegistry.h"
#include "tables/InspectionSortDialog.h"
#include "tables/SortDialog.h"
#include "tables/TableBrowser.h"

// The six table browsers, their five sort dialogs and the inspection sort dialog.
void registerTableBrowsers() {
    FormRegistry& forms = FormRegistry::instance();
    for (const TableBrowserSpec& member : tableBrowserFamily())
        forms.registerForm(member.name, [member] { return new TableBrowser(member); });
    for (const SortDialogSpec& member : sortDialogFamily())
        forms.registerForm(member.name, [member] { return new SortDialog(member); });
    forms.registerForm(QStringLiteral("frmSortInsp"), [] { return new InspectionSortDialog(); });
}

#include "platform/FormRegistry.h"
#include "tables/InspectionSortDialog.h"
#include "tables/SortDialog.h"
#include "tables/TableBrowser.h"

// The six table browsers, their five sort dialogs and the inspection sort dialog.
void registerTableBrowsers() {
    FormRegistry& forms = FormRegistry::instance();
    for (const TableBrowserSpec& spec : tableBrowserFamily())
        forms.registerForm(spec.name, [spec] { return new TableBrowser(spec); });
    for (const SortDialogSpec& spec : sortDialogFamily())
        forms.registerForm(spec.name, [spec] { return new SortDialog(spec); });
    forms.registerForm(QStringLiteral("frmSortInsp"), [] { return new InspectionSortDialog(); });
}

#include "shell/FormCatalog.h"

void registerAllForms() {
    registerShellForms();
    registerDataEntryForms();
    registerTableForms();
    registerReportForms();
    registerUtilityForms();
    registerLineBoardForms();
    registerMonitorForms();
}

#include "platform/FormRegistry.h"
#include "shell/FormCatalog.h"

void registerRecordEditors();
void registerTableBrowsers();

void registerTableForms() {
    registerRecordEditors();
    registerTableBrowsers();
}

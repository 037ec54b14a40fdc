#include "platform/FormRegistry.h"
#include "shell/FormCatalog.h"

void registerTableForms() {
}

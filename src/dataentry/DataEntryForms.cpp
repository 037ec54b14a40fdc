#include "dataentry/DataEntryForm.h"
#include "platform/FormRegistry.h"
#include "shell/FormCatalog.h"

void registerDataEntryForms() {
    FormRegistry::instance().registerForm(QStringLiteral("frmDataEntry"), [] { return new DataEntryForm; });
}

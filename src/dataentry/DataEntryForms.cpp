#include "dataentry/DataEntryForm.h"
#include "dataentry/WaitingRowsForm.h"
#include "platform/FormRegistry.h"
#include "shell/FormCatalog.h"

void registerDataEntryForms() {
    FormRegistry::instance().registerForm(QStringLiteral("frmDataEntry"), [] { return new DataEntryForm; });
    FormRegistry::instance().registerForm(QStringLiteral("frmOutbox"), [] { return new WaitingRowsForm; });
}

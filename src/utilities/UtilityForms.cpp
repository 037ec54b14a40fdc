#include "platform/FormRegistry.h"
#include "shell/FormCatalog.h"
#include "utilities/BackupForm.h"
#include "utilities/CompactForm.h"
#include "utilities/RepairForm.h"
#include "utilities/UtilityMenu.h"

void registerUtilityForms() {
    FormRegistry& forms = FormRegistry::instance();
    forms.registerForm(QStringLiteral("frmUtility"), [] { return new UtilityMenu; });
    forms.registerForm(QStringLiteral("frmRepair"), [] { return new RepairForm; });
    forms.registerForm(QStringLiteral("frmCompact"), [] { return new CompactForm; });
    forms.registerForm(QStringLiteral("frmBackUp"), [] { return new BackupForm; });
}

#include "monitor/LineBoardForm.h"
#include "platform/FormRegistry.h"
#include "shell/FormCatalog.h"

void registerLineBoardForms() {
    FormRegistry::instance().registerForm(QStringLiteral("frmLineBoard"), [] { return new LineBoardForm; });
}

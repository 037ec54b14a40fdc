#include "platform/FormRegistry.h"
#include "shell/AboutForm.h"
#include "shell/FormCatalog.h"
#include "shell/MDIBackground.h"
#include "shell/MenuForm.h"

void registerShellForms() {
    FormRegistry& forms = FormRegistry::instance();
    forms.registerForm(QStringLiteral("MDIBackground"), [] { return new MDIBackground; });
    forms.registerForm(QStringLiteral("frmAbout"), [] { return new AboutForm; });
    for (const MenuDefinition& def : menuDefinitions())
        forms.registerForm(def.form, [def] { return new MenuForm(def); });
}

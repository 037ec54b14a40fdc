#include "monitor/ControlLimitsForm.h"
#include "platform/FormRegistry.h"
#include "shell/FormCatalog.h"

void registerMonitorForms() {
    FormRegistry::instance().registerForm(QStringLiteral("frmControlLimits"), [] { return new ControlLimitsForm; });
}

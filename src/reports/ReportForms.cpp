#include "platform/FormRegistry.h"
#include "reports/AnalysisForm.h"
#include "reports/PrintDataSheetForm.h"
#include "reports/ReportCriteriaForm.h"
#include "shell/FormCatalog.h"

void registerReportForms() {
    FormRegistry& r = FormRegistry::instance();
    for (const ReportCriteriaMember& m : ReportCriteriaForm::members())
        r.registerForm(QString::fromLatin1(m.form), [&m] { return new ReportCriteriaForm(m); });
    r.registerForm(QStringLiteral("frmPrintDataSheet"), [] { return new PrintDataSheetForm; });
    for (const AnalysisMember& m : AnalysisForm::members())
        r.registerForm(QString::fromLatin1(m.form), [&m] { return new AnalysisForm(m); });
}

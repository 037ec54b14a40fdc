#include <QPrinter>

#include "platform/FormRegistry.h"
#include "platform/HelpViewer.h"
#include "reports/AnalysisForm.h"
#include "reports/DataCollectionSheet.h"
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
    // Help topic 50 is the data collection sheet: on paper it is the form itself.
    HelpViewer::setTopicPrinter(PrintDataSheetForm::kSheetTopic,
                                {[](QPrinter* p) { DataCollectionSheet::setUpPage(p); },
                                 [](QPrinter* p) { return DataCollectionSheet::paint(p); }});
}

#include "reports/ReportCriteriaForm.h"

#include <QKeyEvent>
#include <QPushButton>

#include "database/Schema.h"
#include "platform/DateText.h"
#include "platform/Dialogs.h"
#include "platform/FormRegistry.h"
#include "platform/MaskedDateBox.h"
#include "platform/MousePointer.h"
#include "platform/TextBox.h"
#include "reports/CriteriaFrame.h"
#include "reports/ReportEngine.h"

const QList<ReportCriteriaMember>& ReportCriteriaForm::members() {
    static const QList<ReportCriteriaMember> list{
        {"frmPareto", "Pareto of Defects", "Pareto", "pareto_of_defects.rpt",
         {"BeginDate;", "EndDate;", "Facility;", nullptr}, 170, true, false, false},
        {"frmInspectionEscapes", "Inspection Escapes", "InspEscapes", "Inspection_Escapes.rpt",
         {"BeginDate;", "EndDate;", "Facility;", nullptr}, 160, true, false, true},
        {"frmDefectsbyOp", "Defects By Operator Report", "DefectsbyOp", "defects_by_operator.rpt",
         {"Begin Date;", "End Date;", "Facility;", nullptr}, 120, true, false, true},
        {"frmDefectsbyopsWNotes", "Defects With Notes Report", "DefectsbyOpNotes", "defects_by_operator_Notes.rpt",
         {"Begin Date;", "End Date;", "Facility;", nullptr}, 130, true, false, true},
        {"frm1stPassYields", "1ST Pass Inspection Yields", "firstPassYields", "1st_Pass_Yields.rpt",
         {"Begin Date;", "End_Date;", "Facility;", nullptr}, 110, true, false, true},
        {"frmDefectsByModel", "Defects by Model", "DefectsbyModel", "defects_by_model.rpt",
         {"Begin Date;", "End Date;", nullptr, nullptr}, 150, false, false, true},
        {"frmDefectsbySelectedOperator", "Defects By Selected Operator Report", "DefectsbySelectedOp",
         "defects_by_selected_operator.rpt", {"Begin Date;", "End Date;", "Facility;", "Operator;"}, 140, true, true, true},
    };
    return list;
}

const ReportCriteriaMember* ReportCriteriaForm::member(const QString& form) {
    for (const ReportCriteriaMember& m : members())
        if (form == QLatin1String(m.form))
            return &m;
    return nullptr;
}

ReportCriteriaForm::ReportCriteriaForm(const ReportCriteriaMember& m)
    : Form(QString::fromLatin1(m.form), Kind::Child), m_member(m) {
    setHelpContext(m.helpContext);
    setCaption(QString());
    setClosesOnEscape(true);
    m_engine = new ReportEngine(QString::fromLatin1(m.control), this);

    CriteriaFrame frame(this, QString::fromLatin1(m.title));
    m_begin = new MaskedDateBox(QStringLiteral("MaskEdBox1"), this);
    m_end = new MaskedDateBox(QStringLiteral("MaskEdBox2"), this);
    frame.addRow(QStringLiteral("lblBeginDate"), QStringLiteral("Enter Beginning Date Range"), m_begin);
    frame.addRow(QStringLiteral("lblEndDate"), QStringLiteral("Enter Ending Date Range"), m_end);
    for (MaskedDateBox* box : {m_begin, m_end})
        box->installEventFilter(this);
    if (m.hasFacility) {
        m_facility = new TextBox(QStringLiteral("txtFacilityCode"), this);
        m_facility->setText(QStringLiteral("A"));
        m_facility->setToolTip(QStringLiteral("Enter 1st letter of Facility Name"));
        m_facility->setSelectOnEnter(true);
        frame.addRow(QStringLiteral("lblFacility"), QStringLiteral("Enter Facility Code"), m_facility);
    }
    if (m.hasOperator) {
        m_lastName = new TextBox(QStringLiteral("txtLastName"), this);
        frame.addRow(QStringLiteral("lblLastName"), QStringLiteral("Enter Employee Last Name"), m_lastName);
    }
    frame.finish();
    m_ok = frame.ok();
    m_exit = frame.exit();
    connect(m_ok, &QPushButton::clicked, this, &ReportCriteriaForm::runReport);
    connect(m_exit, &QPushButton::clicked, this, &Form::unloadMe);
    resize(440, sizeHint().height());
}

void ReportCriteriaForm::onLoad() {
    centreOnScreen();
    m_begin->setFocus();
    // A report file that cannot be opened is reported now; the form opens anyway
    // and a run then ends in the usual data error.
    CriteriaFrame::openReportFile(m_engine, m_member.reportFile);
}

void ReportCriteriaForm::onUnload() {
    m_engine->release();
    FormRegistry::instance().returnFrom(objectName());
}

bool ReportCriteriaForm::eventFilter(QObject* watched, QEvent* event) {
    // Date box preparation runs as the box is entered, before it takes the focus.
    if (event->type() == QEvent::FocusIn && (watched == m_begin || watched == m_end))
        prepareDateBox(static_cast<MaskedDateBox*>(watched));
    return Form::eventFilter(watched, event);
}

void ReportCriteriaForm::keyPressEvent(QKeyEvent* event) {
    // The keys a box leaves unused arrive here, as on the analysis forms.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (focusWidget() == m_exit)
            unloadMe();
        else
            runReport();
        return;
    }
    Form::keyPressEvent(event);
}

void ReportCriteriaForm::prepareDateBox(MaskedDateBox* box) {
    // Clear the pattern; an empty box then takes "99/99/9999" (in this
    // computer's date order) with the short date display. A box that already
    // holds a date takes the pattern back with its text, so typing over it
    // follows the pattern as the first typing did (without it, "01012026"
    // would stay eight bare digits).
    const QString typed = box->typedText();
    box->setInputPattern(QString());
    QString rest = typed;
    rest.remove(QLatin1Char('_')).remove(QLatin1Char('/'));
    if (rest.trimmed().isEmpty()) {
        box->setText(QString());
        box->setInputPattern(QStringLiteral("99/99/9999"));
        box->setDisplayFormat(QStringLiteral("ddddd"));
    } else if (DateText::fitsMask(typed)) {
        box->setInputPattern(QStringLiteral("99/99/9999"));
        box->setText(typed);
        box->setDisplayFormat(QStringLiteral("ddddd"));
    } else {
        box->setText(typed);
    }
}

QDate ReportCriteriaForm::checkedDate(MaskedDateBox* box, const QString& what) {
    // Read in the order the box shows, four-digit year: anything else is
    // refused by name rather than read as some other date.
    const QString typed = box->typedText();
    const QDate d = DateText::parse(typed);
    if (d.isValid())
        return d;
    if (m_member.showsHourglass)
        MousePointer::arrow();
    Dialogs::show(DateText::refusal(what, typed));
    box->setFocus();
    box->selectAll();
    return QDate();
}

void ReportCriteriaForm::failRun() {
    Dialogs::show(QStringLiteral("Data error, recheck your input data"));
    if (m_member.showsHourglass)
        MousePointer::arrow();
}

void ReportCriteriaForm::runReport() {
    if (m_member.showsHourglass)
        MousePointer::hourglass();
    const QDate begin = checkedDate(m_begin, QStringLiteral("Begin Date"));
    if (!begin.isValid())
        return;
    const QDate end = checkedDate(m_end, QStringLiteral("End Date"));
    if (!end.isValid())
        return;
    QStringList values{ReportEngine::dateValue(begin), ReportEngine::dateValue(end)};
    if (m_facility) {
        m_facility->setText(m_facility->text().toUpper());
        values << m_facility->text();
    }
    if (m_lastName) {
        if (m_lastName->text().isEmpty()) {
            if (m_member.showsHourglass)
                MousePointer::arrow();
            Dialogs::show(QStringLiteral("Enter Employee Last Name"));
            m_lastName->setFocus();
            return;
        }
        m_lastName->setText(m_lastName->text().toUpper());
        values << m_lastName->text();
    }
    for (int i = 0; i < values.size(); ++i) {
        if (!m_member.fields[i])
            break;
        if (!m_engine->setParameterField(i, QString::fromLatin1(m_member.fields[i]) + values.at(i) + QStringLiteral(";true")))
            return failRun();
    }
    const Status s = m_engine->action(1);
    if (!s && m_engine->lastRunCancelled()) {
        // The user stopped it in the preview: nothing to tell.
        if (m_member.showsHourglass)
            MousePointer::arrow();
        return;
    }
    if (!s && m_engine->lastRunTimedOut()) {
        // Not a fault of the input: the message says what happened.
        Dialogs::show(s.error());
        if (m_member.showsHourglass)
            MousePointer::arrow();
        return;
    }
    if (!s && Schema::isServer()) {
        // A server out of reach is no fault of the input: its own words say
        // what is wrong, and the next run connects again.
        Database server;
        if (const Status reached = server.open(Schema::databaseName(), Database::Mode::ReadOnly); !reached) {
            Dialogs::showError(reached);
            if (m_member.showsHourglass)
                MousePointer::arrow();
            return;
        }
    }
    if (!s)
        return failRun();
    if (m_member.showsHourglass)
        MousePointer::arrow();
}

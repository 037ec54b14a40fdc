#include "reports/AnalysisForm.h"

#include <QComboBox>
#include <QDate>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/DateText.h"
#include "platform/Dialogs.h"
#include "platform/FormRegistry.h"
#include "platform/MaskedDateBox.h"
#include "platform/MousePointer.h"
#include "platform/TextBox.h"
#include "monitor/ControlLimits.h"
#include "reports/CriteriaFrame.h"
#include "reports/ReportCriteriaForm.h"
#include "reports/ReportEngine.h"

namespace {
using K = AnalysisField::Kind;
}  // namespace

const QList<AnalysisMember>& AnalysisForm::members() {
    static const QList<AnalysisMember> list{
        {"frmYieldTrend", "Yield Trend with Control Limits", "YieldTrend", "yield_trend.rpt", 280,
         {{K::Date, "MaskEdBox1", "lblBeginDate", "&Beginning Date", "BeginDate;", nullptr, true},
          {K::Date, "MaskEdBox2", "lblEndDate", "E&nding Date", "EndDate;", nullptr, true},
          {K::Text, "txtFacilityCode", "lblFacility", "Fa&cility Code", "Facility;", "A", true},
          {K::Period, "cboPeriod", "lblPeriod", "&Period", "Period;", "Week", true},
          {K::Text, "txtModelNumber", "lblModelNumber", "&Model Number (optional)", "Model;", nullptr, false},
          {K::Text, "txtStation", "lblStation", "&Station (optional)", "Station;", nullptr, false},
          {K::Choice, "cboLimits", "lblLimits", "Limi&ts", "Limits;", "This range", true, "This range|In force"}},
         "frmWhatChanged", &ControlLimits::checkTrendFields},
        {"frmUnitHistory", "Unit History", "UnitHistory", "unit_history.rpt", 290,
         {{K::Text, "txtSerialNum", "lblSerialNum", "&Serial Number", "Serial;", nullptr, true},
          {K::Text, "txtModelNumber", "lblModelNumber", "&Model Number (optional)", "Model;", nullptr, false}}},
        {"frmWhatChanged", "What Changed", "WhatChanged", "what_changed.rpt", 300,
         {{K::Period, "cboPeriod", "lblPeriod", "&Period", "Period;", "Week", true},
          {K::Date, "MaskEdBox1", "lblPeriodDate", "A &Date in the Period", "PeriodDate;", nullptr, true},
          {K::Text, "txtFacilityCode", "lblFacility", "Fa&cility Code", "Facility;", "A", true},
          {K::Text, "txtModelNumber", "lblModelNumber", "&Model Number (optional)", "Model;", nullptr, false},
          {K::Text, "txtStation", "lblStation", "&Station (optional)", "Station;", nullptr, false}}},
        {"frmAuditTrail", "Audit Trail", "AuditTrail", "audit_trail.rpt", 100,
         {{K::Date, "MaskEdBox1", "lblBeginDate", "&Beginning Date (UTC)", "BeginDate;", nullptr, true},
          {K::Date, "MaskEdBox2", "lblEndDate", "E&nding Date (UTC)", "EndDate;", nullptr, true},
          {K::Text, "txtTable", "lblTable", "&Table (optional)", "Table;", nullptr, false},
          {K::Text, "txtLogin", "lblLogin", "Lo&gin (optional)", "Login;", nullptr, false},
          {K::Text, "txtStation", "lblStation", "&Station (optional)", "Station;", nullptr, false}}},
        {"frmAlarms", "Alarms", "Alarms", "alarms.rpt", 340,
         {{K::Date, "MaskEdBox1", "lblBeginDate", "&Beginning Date", "BeginDate;", nullptr, true},
          {K::Date, "MaskEdBox2", "lblEndDate", "E&nding Date", "EndDate;", nullptr, true},
          {K::Text, "txtFacilityCode", "lblFacility", "Fa&cility Code (optional)", "Facility;", nullptr, false},
          {K::Text, "txtStation", "lblStation", "&Station (optional)", "Station;", nullptr, false}}},
    };
    return list;
}

const AnalysisMember* AnalysisForm::member(const QString& form) {
    for (const AnalysisMember& m : members())
        if (form == QLatin1String(m.form))
            return &m;
    return nullptr;
}

AnalysisForm::AnalysisForm(const AnalysisMember& m) : Form(QString::fromLatin1(m.form), Kind::Child), m_member(m) {
    setHelpContext(m.helpContext);
    setCaption(QString::fromLatin1(m.title));
    m_engine = new ReportEngine(QString::fromLatin1(m.control), this);

    CriteriaFrame frame(this, QString::fromLatin1(m.title));
    for (const AnalysisField& f : m.fields) {
        QWidget* box = nullptr;
        switch (f.kind) {
        case K::Date: {
            auto* date = new MaskedDateBox(QString::fromLatin1(f.box), this);
            date->setInputPattern(QStringLiteral("99/99/9999"));
            date->setDisplayFormat(QStringLiteral("ddddd"));
            box = date;
            break;
        }
        case K::Text: {
            auto* text = new TextBox(QString::fromLatin1(f.box), this);
            text->setUpperCaseOnLeave(true);
            text->setSelectOnEnter(true);
            box = text;
            break;
        }
        case K::Period:
        case K::Choice: {
            auto* combo = new QComboBox(this);
            combo->setObjectName(QString::fromLatin1(f.box));
            combo->addItems(f.kind == K::Period ? QStringList{QStringLiteral("Day"), QStringLiteral("Week"), QStringLiteral("Month")}
                                                : QString::fromLatin1(f.choices).split(QLatin1Char('|')));
            box = combo;
            break;
        }
        }
        m_boxes << box;
        if (f.initial)
            setBoxText(QString::fromLatin1(f.box), QString::fromLatin1(f.initial));
        frame.addRow(QString::fromLatin1(f.label), QString::fromLatin1(f.caption), box);
    }
    frame.finish();
    m_ok = frame.ok();
    m_exit = frame.exit();
    connect(m_ok, &QPushButton::clicked, this, &AnalysisForm::runReport);
    connect(m_exit, &QPushButton::clicked, this, &Form::unloadMe);

    QVBoxLayout* layout = frame.layout();
    if (m.follow) {
        // The periods of the last run, the first one outside its limits picked.
        m_points = new QComboBox(this);
        m_points->setObjectName(QStringLiteral("cboPoint"));
        m_follow = new QPushButton(QStringLiteral("&What Changed"), this);
        m_follow->setObjectName(QStringLiteral("cmdWhatChanged"));
        auto* label = new QLabel(QStringLiteral("Period to e&xamine"), this);
        label->setObjectName(QStringLiteral("lblPoint"));
        label->setBuddy(m_points);
        m_points->setEnabled(false);
        m_follow->setEnabled(false);
        setTabOrder(m_exit, m_points);
        setTabOrder(m_points, m_follow);
        auto* follow = new QHBoxLayout;
        follow->addWidget(label);
        follow->addWidget(m_points, 1);
        follow->addWidget(m_follow);
        layout->addSpacing(8);
        layout->addLayout(follow);
        connect(m_engine, &ReportEngine::produced, this, &AnalysisForm::offerPoints);
        connect(m_follow, &QPushButton::clicked, this, &AnalysisForm::followPoint);
    }
    resize(460, sizeHint().height());
}

QWidget* AnalysisForm::box(const QString& name) const {
    for (QWidget* b : m_boxes)
        if (b->objectName() == name)
            return b;
    return nullptr;
}

void AnalysisForm::setBoxText(const QString& name, const QString& text) {
    QWidget* b = box(name);
    if (auto* combo = qobject_cast<QComboBox*>(b))
        combo->setCurrentIndex(qMax(0, combo->findText(text, Qt::MatchFixedString)));
    else if (auto* date = qobject_cast<MaskedDateBox*>(b))
        date->setValue(DateText::parse(text));
    else if (auto* line = qobject_cast<QLineEdit*>(b))
        line->setText(text);
}

QString AnalysisForm::boxText(int i) const {
    QWidget* b = m_boxes.at(i);
    if (auto* combo = qobject_cast<QComboBox*>(b))
        return combo->currentText();
    if (auto* date = qobject_cast<MaskedDateBox*>(b))
        return date->typedText();
    return static_cast<QLineEdit*>(b)->text().trimmed().toUpper();
}

void AnalysisForm::onLoad() {
    centreOnScreen();
    if (!m_boxes.isEmpty())
        m_boxes.first()->setFocus();
    CriteriaFrame::openReportFile(m_engine, m_member.reportFile);
}

void AnalysisForm::onUnload() {
    m_engine->release();
    FormRegistry::instance().returnFrom(objectName());
}

void AnalysisForm::keyPressEvent(QKeyEvent* event) {
    // The keys a box leaves unused arrive here: Enter runs (or leaves, on Exit), Escape leaves.
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (focusWidget() == m_exit)
            unloadMe();
        else if (m_follow && (focusWidget() == m_points || focusWidget() == m_follow))
            followPoint();
        else
            runReport();
        return;
    }
    if (key == Qt::Key_Escape) {
        unloadMe();
        return;
    }
    Form::keyPressEvent(event);
}

bool AnalysisForm::runReport() {
    QStringList fields;
    for (int i = 0; i < m_member.fields.size(); ++i) {
        const AnalysisField& f = m_member.fields.at(i);
        QString caption = QString::fromLatin1(f.caption).remove(QLatin1Char('&'));
        caption = caption.section(QStringLiteral(" ("), 0, 0);
        QString value = boxText(i);
        if (auto* line = qobject_cast<TextBox*>(m_boxes.at(i)))
            line->setText(value);
        if (f.kind == K::Date) {
            // In the order the box shows, as every date of the program.
            const QDate d = DateText::parse(value);
            if (!d.isValid()) {
                Dialogs::show(DateText::refusal(caption, value));
                m_boxes.at(i)->setFocus();
                static_cast<MaskedDateBox*>(m_boxes.at(i))->selectAll();
                return false;
            }
            value = ReportEngine::dateValue(d);
        } else if (value.isEmpty()) {
            if (f.required) {
                Dialogs::show(QStringLiteral("Enter %1").arg(caption));
                m_boxes.at(i)->setFocus();
                return false;
            }
            continue;  // an optional box left empty means any
        }
        fields << QString::fromLatin1(f.parameter) + value + QStringLiteral(";true");
    }
    if (m_member.check) {
        if (const Status s = m_member.check(fields); !s) {
            Dialogs::showError(s);
            return false;
        }
    }
    m_engine->release();
    for (int i = 0; i < fields.size(); ++i)
        m_engine->setParameterField(i, fields.at(i));
    MousePointer::hourglass();
    const Status s = m_engine->action(1);
    MousePointer::arrow();
    if (!s) {
        Dialogs::showError(s);
        return false;
    }
    return true;
}

void AnalysisForm::offerPoints(const ReportResult& r) {
    const ReportDefinition& d = r.definition;
    const int period = d.columnIndex(QStringLiteral("Period")), p = d.columnIndex(QStringLiteral("P")),
              signal = d.columnIndex(QStringLiteral("Signal"));
    m_points->clear();
    int pick = -1;
    for (const ReportGroup& g : r.groups)
        for (const QVariantList& row : g.rows) {
            const QString mark = signal >= 0 ? row.at(signal).toString() : QString();
            if (pick < 0 && !mark.isEmpty())
                pick = m_points->count();
            QString text = r.format(period, row.at(period));
            if (p >= 0)
                text += QStringLiteral("   p ") + r.format(p, row.at(p));
            if (!mark.isEmpty())
                text += QStringLiteral("   ") + mark;
            m_points->addItem(text, row.at(period));
        }
    m_points->setCurrentIndex(pick >= 0 ? pick : m_points->count() - 1);
    m_points->setEnabled(m_points->count() > 0);
    m_follow->setEnabled(m_points->count() > 0);
}

void AnalysisForm::followPoint() {
    if (!m_follow || m_points->currentIndex() < 0)
        return;
    const QDate day = QDate::fromString(m_points->currentData().toString(), Qt::ISODate);
    const QString target = QString::fromLatin1(m_member.follow);
    FormRegistry& forms = FormRegistry::instance();
    const Status s = forms.show(target);
    auto* form = forms.formAs<AnalysisForm>(target);
    if (!s || !form) {
        Dialogs::showError(s ? Status::fail(QStringLiteral("%1 could not be opened.").arg(target)) : s);
        return;
    }
    // The same criteria where the boxes are the same; the date box takes the period picked.
    for (const AnalysisField& f : form->m_member.fields) {
        const QString name = QString::fromLatin1(f.box);
        if (f.kind == K::Date)
            form->setBoxText(name, DateText::shown(day));
        else if (const int i = m_boxes.indexOf(box(name)); i >= 0)
            form->setBoxText(name, boxText(i));
    }
    form->runReport();
}

void AnalysisForm::openUnitHistory(const QString& serial, const QString& model) {
    FormRegistry& forms = FormRegistry::instance();
    const Status s = forms.show(QStringLiteral("frmUnitHistory"));
    auto* form = forms.formAs<AnalysisForm>(QStringLiteral("frmUnitHistory"));
    if (!s || !form) {
        Dialogs::showError(s ? Status::fail(QStringLiteral("The unit history could not be opened.")) : s);
        return;
    }
    form->setBoxText(QStringLiteral("txtSerialNum"), serial);
    form->setBoxText(QStringLiteral("txtModelNumber"), model);
    form->runReport();
}

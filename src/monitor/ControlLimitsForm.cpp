#include "monitor/ControlLimitsForm.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "database/Schema.h"
#include "platform/DateText.h"
#include "platform/Dialogs.h"
#include "platform/FormRegistry.h"
#include "platform/MaskedDateBox.h"
#include "platform/MousePointer.h"
#include "platform/TextBox.h"
#include "reports/CriteriaFrame.h"

namespace {
TextBox* codeBox(const char* name, QWidget* form) {
    auto* box = new TextBox(QString::fromLatin1(name), form);
    box->setUpperCaseOnLeave(true);
    box->setSelectOnEnter(true);
    return box;
}
MaskedDateBox* dateBox(const char* name, QWidget* form) {
    auto* box = new MaskedDateBox(QString::fromLatin1(name), form);
    box->setInputPattern(QStringLiteral("99/99/9999"));
    box->setDisplayFormat(QStringLiteral("ddddd"));
    return box;
}
QString percent(double share) { return QLocale().toString(100.0 * share, 'f', 1) + QLatin1Char('%'); }
}  // namespace

ControlLimitsForm::ControlLimitsForm() : Form(QStringLiteral("frmControlLimits"), Kind::Child) {
    setHelpContext(330);
    setCaption(QStringLiteral("Control Limits"));
    CriteriaFrame frame(this, QStringLiteral("Control Limits"));
    m_facility = codeBox("txtFacilityCode", this);
    m_facility->setText(QStringLiteral("A"));
    m_station = codeBox("txtStation", this);
    m_model = codeBox("txtModelNumber", this);
    m_begin = dateBox("MaskEdBox1", this);
    m_end = dateBox("MaskEdBox2", this);
    frame.addRow(QStringLiteral("lblFacility"), QStringLiteral("Fa&cility Code"), m_facility);
    frame.addRow(QStringLiteral("lblStation"), QStringLiteral("&Station"), m_station);
    frame.addRow(QStringLiteral("lblModelNumber"), QStringLiteral("&Model Number (optional)"), m_model);
    frame.addRow(QStringLiteral("lblBeginDate"), QStringLiteral("Baseline &Beginning Date"), m_begin);
    frame.addRow(QStringLiteral("lblEndDate"), QStringLiteral("Baseline E&nding Date"), m_end);
    const char* const rules[4] = {"Rule &1: above UCL", "Rule &2: nine days above p-bar",
                                  "Rule &3: six days each worse", "Rule &4: the same defect code on"};
    for (int i = 0; i < 4; ++i) {
        m_rule[i] = new QCheckBox(QString::fromLatin1(rules[i]), this);
        m_rule[i]->setObjectName(QStringLiteral("chkRule%1").arg(i + 1));
        m_rule[i]->setChecked(true);
    }
    m_count = new QSpinBox(this);
    m_count->setObjectName(QStringLiteral("spnRule4Count"));
    m_count->setRange(2, 100);
    m_count->setValue(3);
    m_units = new QSpinBox(this);
    m_units->setObjectName(QStringLiteral("spnRule4Units"));
    m_units->setRange(2, 1000);
    m_units->setValue(20);
    m_units->setSuffix(QStringLiteral(" units"));
    m_count->setSuffix(QStringLiteral(" of the last"));
    for (int i = 0; i < 3; ++i)
        frame.addRow(QStringLiteral("lblRule%1").arg(i + 1), QString(), m_rule[i]);
    auto* four = new QWidget(this);
    auto* fourRow = new QHBoxLayout(four);
    fourRow->setContentsMargins(0, 0, 0, 0);
    fourRow->addWidget(m_rule[3]);
    fourRow->addWidget(m_count);
    fourRow->addWidget(m_units);
    fourRow->addStretch();
    frame.addRow(QStringLiteral("lblRule4"), QString(), four);
    setTabOrder(m_rule[2], m_rule[3]);
    setTabOrder(m_rule[3], m_count);
    setTabOrder(m_count, m_units);
    frame.finish();
    m_ok = frame.ok();
    m_exit = frame.exit();
    m_store = new QPushButton(QStringLiteral("S&tore Limits"), this);
    m_store->setObjectName(QStringLiteral("cmdStore"));
    setTabOrder(m_units, m_ok);
    setTabOrder(m_ok, m_store);
    setTabOrder(m_store, m_exit);
    m_baseline = new QLabel(this);
    m_baseline->setObjectName(QStringLiteral("lblBaseline"));
    m_inForce = new QLabel(this);
    m_inForce->setObjectName(QStringLiteral("lblInForce"));
    m_inForce->setWordWrap(true);
    QVBoxLayout* layout = frame.layout();
    layout->insertWidget(layout->count() - 1, m_baseline);
    layout->insertWidget(layout->count() - 1, m_inForce);
    auto* buttons = qobject_cast<QHBoxLayout*>(layout->itemAt(layout->count() - 1)->layout());
    buttons->insertWidget(buttons->indexOf(m_exit), m_store);
    connect(m_ok, &QPushButton::clicked, this, &ControlLimitsForm::showBaseline);
    connect(m_store, &QPushButton::clicked, this, &ControlLimitsForm::storeLimits);
    connect(m_exit, &QPushButton::clicked, this, &Form::unloadMe);
    resize(520, sizeHint().height());
}

void ControlLimitsForm::onLoad() {
    centreOnScreen();
    m_facility->setFocus();
}

void ControlLimitsForm::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (focusWidget() == m_exit)
            unloadMe();
        else if (focusWidget() == m_store)
            storeLimits();
        else
            showBaseline();
        return;
    }
    if (key == Qt::Key_Escape) {
        unloadMe();
        return;
    }
    Form::keyPressEvent(event);
}

bool ControlLimitsForm::readBoxes(LimitSet* set) {
    for (TextBox* box : {m_facility, m_station, m_model})
        box->setText(box->text().trimmed().toUpper());
    const struct { TextBox* box; const char* caption; } required[] = {{m_facility, "Facility Code"}, {m_station, "Station"}};
    for (const auto& r : required)
        if (r.box->text().isEmpty()) {
            Dialogs::show(QStringLiteral("Enter %1").arg(QLatin1String(r.caption)));
            r.box->setFocus();
            return false;
        }
    const struct { MaskedDateBox* box; const char* caption; } dates[] = {{m_begin, "Baseline Beginning Date"},
                                                                          {m_end, "Baseline Ending Date"}};
    QDate day[2];
    for (int i = 0; i < 2; ++i) {
        day[i] = DateText::parse(dates[i].box->typedText());
        if (!day[i].isValid()) {
            Dialogs::show(DateText::refusal(QLatin1String(dates[i].caption), dates[i].box->typedText()));
            dates[i].box->setFocus();
            dates[i].box->selectAll();
            return false;
        }
    }
    if (day[1] < day[0]) {
        Dialogs::show(QStringLiteral("The baseline ends before it begins."));
        m_end->setFocus();
        return false;
    }
    MousePointer::hourglass();
    const Status s = ControlLimits::baseline(m_facility->text(), m_station->text(), m_model->text(), day[0], day[1], set);
    MousePointer::arrow();
    if (!s) {
        Dialogs::showError(s);
        return false;
    }
    for (int i = 0; i < 4; ++i)
        set->rule[i] = m_rule[i]->isChecked();
    set->rule4Count = m_count->value();
    set->rule4Units = qMax(m_units->value(), m_count->value());
    return true;
}

bool ControlLimitsForm::showBaseline() {
    LimitSet set;
    if (!readBoxes(&set))
        return false;
    m_baseline->setText(QStringLiteral("Baseline: p-bar %1 over %2 days, %3 units")
                            .arg(percent(set.pbar)).arg(set.days).arg(set.units));
    showInForce();
    return true;
}

bool ControlLimitsForm::storeLimits() {
    LimitSet set;
    if (!readBoxes(&set))
        return false;
    Database db;
    Status s = db.open(Schema::databaseName(), Database::Mode::ReadWrite);
    if (s)
        s = ControlLimits::store(db, &set);
    if (!s) {
        Dialogs::showError(s);
        return false;
    }
    m_baseline->setText(QStringLiteral("Stored: p-bar %1 over %2 days, %3 units")
                            .arg(percent(set.pbar)).arg(set.days).arg(set.units));
    showInForce();
    return true;
}

void ControlLimitsForm::showInForce() {
    Database db;
    LimitSet set;
    bool found = false;
    Status s = db.open(Schema::databaseName(), Database::Mode::ReadOnly);
    if (s)
        s = ControlLimits::inForce(db, m_facility->text(), m_station->text(), m_model->text(), &set, &found);
    if (!s || !found) {
        m_inForce->setText(s ? QStringLiteral("No limits are in force here.") : s.error());
        return;
    }
    QStringList on;
    for (int i = 0; i < 4; ++i)
        if (set.rule[i])
            on << QString::number(i + 1);
    m_inForce->setText(QStringLiteral("In force%1: p-bar %2 from %3 to %4 (%5 days, %6 units), rules %7, rule 4 on %8 of "
                                      "the last %9 units; set by %10 at %11 UTC.")
                           .arg(set.model.isEmpty() ? QString() : QStringLiteral(" for model ") + set.model,
                                percent(set.pbar), DateText::shown(set.begin), DateText::shown(set.end))
                           .arg(set.days).arg(set.units)
                           .arg(on.isEmpty() ? QStringLiteral("none") : on.join(QStringLiteral(", ")))
                           .arg(set.rule4Count).arg(set.rule4Units)
                           .arg(set.setBy, QString(set.setAt).replace(QLatin1Char('T'), QLatin1Char(' ')).remove(QLatin1Char('Z'))));
}

#pragma once
// Helpers shared by the data entry tests: open the screen, reach its
// controls, type into boxes the way a user does, and seed rows.
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "TestAppFolder.h"
#include "database/RecordNavigator.h"
#include "dataentry/DataEntryForm.h"
#include "platform/FormRegistry.h"
#include "platform/MaskedDateBox.h"
#include "platform/TextBox.h"

namespace DataEntryTest {

inline DataEntryForm* openScreen() {
    const Status s = FormRegistry::instance().show(QStringLiteral("frmDataEntry"));
    if (!s)
        qWarning("frmDataEntry: %s", qPrintable(s.error()));
    auto* form = FormRegistry::instance().formAs<DataEntryForm>(QStringLiteral("frmDataEntry"));
    if (form && !QTest::qWaitForWindowActive(form->window()))
        qWarning("frmDataEntry: window not active");
    return form;
}

template <class T = QLineEdit>
T* control(QWidget* form, const char* name) {
    return form->findChild<T*>(QString::fromLatin1(name));
}
inline TextBox* box(QWidget* form, const char* name) { return control<TextBox>(form, name); }
inline MaskedDateBox* dateBox(QWidget* form, const char* name) { return control<MaskedDateBox>(form, name); }
inline QPushButton* button(QWidget* form, const char* name) { return control<QPushButton>(form, name); }
inline RecordNavigator* navigator(QWidget* form) { return form->findChild<RecordNavigator*>(QStringLiteral("Data1")); }

inline QWidget* focused() { return QApplication::focusWidget(); }
inline QString focusName() { return focused() ? focused()->objectName() : QStringLiteral("(none)"); }

// Types into the box that has the focus and leaves it with Tab.
inline void field(const QString& text) {
    QTest::keyClicks(focused(), text);
    QTest::keyClick(focused(), Qt::Key_Tab);
}
inline void pressEnter() { QTest::keyClick(focused(), Qt::Key_Return); }
inline void click(QWidget* form, const char* name) { QTest::mouseClick(button(form, name), Qt::LeftButton); }
inline void arrow(QWidget* form, const char* name) {
    QTest::mouseClick(navigator(form)->findChild<QToolButton*>(QLatin1String(name)), Qt::LeftButton);
}

// Focus on a box, as a user clicking into it; a line box is emptied.
inline void enter(QWidget* box, bool empty = true) {
    box->setFocus(Qt::OtherFocusReason);
    QTRY_COMPARE(focused(), box);
    if (auto* line = qobject_cast<QLineEdit*>(box); line && empty) {
        line->selectAll();
        line->del();
    }
}

// Rows of InspectionRecord dated 4 March 2026, each unit as "model|serial|station".
inline void insertRows(const TestAppFolder& app, const QStringList& units, const QString& facility = QStringLiteral("A")) {
    for (const QString& unit : units)
        app.exec(QStringLiteral("INSERT INTO InspectionRecord (Facility, ModelNumber, SerialNum, InspectorNum, Date, Station, "
                                "PartNum, DefectCode, LocationCode, ReworkNum) VALUES ('%1', '%2', '%3', 'E1', '2026-03-04', "
                                "'%4', '001', '1', '1', 1)")
                     .arg(facility, unit.section(QLatin1Char('|'), 0, 0), unit.section(QLatin1Char('|'), 1, 1),
                          unit.section(QLatin1Char('|'), 2, 2)));
}

}  // namespace DataEntryTest

#pragma once
// Helpers shared by the data entry tests: open the screen, reach its
// controls, type into boxes the way a user does, and seed rows.
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

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

// Focus is on a box; type into it and leave it with Tab.
inline void typeAndTab(QWidget* w, const QString& text) {
    QTest::keyClicks(w, text);
    QTest::keyClick(w, Qt::Key_Tab);
}

// A row of InspectionRecord with the unit's three fields and a date.
inline void insertRow(const TestAppFolder& app, const QString& model, const QString& serial, const QString& station,
                      const QString& facility = QStringLiteral("A"), int rework = 1) {
    app.exec(QStringLiteral("INSERT INTO InspectionRecord (Facility, ModelNumber, SerialNum, InspectorNum, Date, "
                            "Station, PartNum, DefectCode, LocationCode, ReworkNum) VALUES ('%1', '%2', '%3', 'E1', "
                            "'2026-03-04', '%4', '001', '1', '1', %5)")
                 .arg(facility, model, serial, station)
                 .arg(rework));
}

}  // namespace DataEntryTest

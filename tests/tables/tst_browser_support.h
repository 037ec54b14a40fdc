#pragma once
// Helpers shared by the table browser and sort dialog tests.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "TestAppFolder.h"
#include "database/GridModel.h"
#include "database/RecordSet.h"
#include "platform/Dialogs.h"
#include "platform/FormRegistry.h"
#include "reports/ReportEngine.h"
#include "shell/FormCatalog.h"
#include "tables/TableBrowser.h"
#include "tables/TableBrowserGrid.h"

namespace browsertest {

// A blank folder holding the given rows, and scripted dialogs; the forms go first.
struct Fixture {
    explicit Fixture(const QString& rows) { folder.exec(rows); }
    ~Fixture() { unloadAllForms(); }
    TestAppFolder folder{TestAppFolder::Data::Blank};
    Dialogs::Scripted dialogs;
};

inline TableBrowser* open(const QString& name) { return showFormAs<TableBrowser>(name); }

inline QPushButton* button(QWidget* form, const char* name) { return form->findChild<QPushButton*>(QString::fromLatin1(name)); }

// Clicks a button as a user would: only a shown, enabled button reacts.
inline bool click(QWidget* form, const char* name) {
    QPushButton* b = button(form, name);
    const bool reacts = b && b->isVisibleTo(form) && b->isEnabled();
    if (reacts)
        QTest::mouseClick(b, Qt::LeftButton);
    return reacts;
}

inline QString status(QWidget* form) { return form->findChild<QLabel*>(QStringLiteral("lblStatus"))->text(); }

// One column of the grid, as shown, top to bottom.
inline QStringList column(TableBrowser* b, int col) {
    QStringList out;
    for (int r = 0; r < b->gridModel()->rowCount(); ++r)
        out << b->gridModel()->index(r, col).data().toString();
    return out;
}

inline int gridLine(TableBrowser* b) { return b->grid()->currentIndex().row(); }

// Types into a cell of the current line, as into the grid's cell editor.
inline void typeIntoCell(TableBrowser* b, int col, const QString& text) {
    const QModelIndex idx = b->gridModel()->index(gridLine(b), col);
    b->grid()->setCurrentIndex(idx);
    b->grid()->edit(idx);
    auto* editor = qobject_cast<QLineEdit*>(b->grid()->indexWidget(idx));
    QVERIFY(editor);
    editor->selectAll();
    QTest::keyClicks(editor, text);
}

// The buttons of the button bar that are shown.
inline QStringList shownButtons(TableBrowser* b) {
    QStringList out;
    for (const char* n : {"cmdAdd", "cmdUpdate", "cmdEdit", "cmdCancel", "cmdDelete", "cmdRefresh", "cmdSort", "cmdClose", "cmdPrint",
                          "cmdExport"})
        if (QPushButton* p = button(b, n); p && p->isVisibleTo(b))
            out << QString::fromLatin1(n);
    return out;
}

// Sends reports to a file, so no preview window opens whatever the engine does.
inline void quietReports(TableBrowser* b, const QString& file) { b->reportControl()->setOutput(ReportEngine::Output::Csv, file); }

}  // namespace browsertest

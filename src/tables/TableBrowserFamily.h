#pragma once
#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>

// What one member of the table browser family is: its table, its statements,
// its report, its sort dialog and the few places where it differs from the
// others. One TableBrowser class reads this table.
struct TableBrowserSpec {
    // Grid: the rows as the grid shows them, in its order, printed or exported
    // by the program itself (no report definition).
    enum class Print { None, List, Sorted, Grid };
    enum class SortKind { SingleField, ThreeKeys };

    QString name;         // form name, e.g. "tbldefects"
    QString caption;      // window caption
    QString selectAtLoad;
    QString sortPrefix;   // the statement a sort appends its order to
    Print print = Print::None;
    QString reportControl;  // name of the report control
    QString reportFile;     // file name in the application folder
    // Sorted printing: the report's sort fields by code and by description.
    QString codeSortField;
    QString descriptionSortField;
    QString sortDialog;
    QString sortOperation;  // the public sort operation's name
    SortKind sortKind = SortKind::SingleField;
    bool sortUnloadsDialog = false;  // otherwise the dialog is only hidden while the sort runs
    bool asksToPrint = false;        // the question after a sort
    bool addsRows = true;            // tblInspection takes its rows from data entry only
    bool sortHiddenInEdit = false;
    bool unitHistoryKey = false;  // Ctrl+H opens the unit history of the current row
    // The reference table whose codes the grid shows (asked about before a
    // code inspection rows name is deleted or changed); empty for none.
    QString referenceTable;
    // A row moved to another unit numbers both units' rows again (the inspection rows).
    bool renumbersUnits = false;
    // The grid reads its rows again when any station commits (ChangeWatcher).
    bool followsStations = false;
    int helpTopic = 0;
    QSize designSize;  // inner area, twips
    int refreshLeft = 3521;
    int sortLeft = 4680;
    QString sortCaption = QStringLiteral("Sort");
    int printLeft = 7080;
    int printWidth = 1095;
    QStringList dateFields;
    QStringList readOnlyFields;  // assigned by the database
    QStringList upperCaseFields;  // codes and names, stored upper case
};

const QList<TableBrowserSpec>& tableBrowserFamily();
const TableBrowserSpec* tableBrowserSpec(const QString& name);

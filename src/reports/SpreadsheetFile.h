#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "platform/Status.h"

// A spreadsheet file (.xlsx, written by libxlsxwriter) of one sheet: the
// column headings, then lines of typed cells. A QDate becomes a date cell shown
// in this computer's order, a number a number cell, anything else text; totals
// lines are bold. The reports write theirs through it, and so can any table.
class SpreadsheetFile {
public:
    SpreadsheetFile(const QString& title, const QStringList& headings);
    void addRow(const QVariantList& cells);
    void addTotal(const QVariantList& cells);

    // Writes the file whole or not at all, as the CSV writer does: a temporary
    // file renamed over the path, every write checked; a path that names the
    // database (databasePath, else the one in use), a database file or journal,
    // or a report definition is refused.
    Status write(const QString& path, const QString& databasePath = QString()) const;

private:
    // Builds the workbook at file (the library's own temporary files in tempDir);
    // the library's first error, or empty.
    QString build(const QString& file, const QString& tempDir) const;
    struct Line {
        QVariantList cells;
        bool total = false;
    };
    QString m_title;
    QStringList m_headings;
    QList<Line> m_lines;
};

#pragma once
#include <QString>
#include <QTemporaryDir>

#include "database/Database.h"

// A fresh application folder in a temporary directory: kelid.mdb, DemoDb,
// temp, temp2, the report definitions and the help file, with the program
// pointed at it. The shipped application folder is never touched.
class TestAppFolder {
public:
    enum class Data { Blank, Demo, None };
    explicit TestAppFolder(Data data = Data::Blank);
    ~TestAppFolder();

    QString path() const { return m_dir.path(); }
    QString file(const QString& relative) const { return m_dir.path() + QLatin1Char('/') + relative; }
    QString livePath() const { return file(QStringLiteral("kelid.mdb")); }

    // Runs SQL on the live database (asserting success) and reads one value.
    void exec(const QString& sql) const;
    QVariant scalar(const QString& sql) const;
    // Every row of a query as "a|b|c" lines, for comparisons.
    QStringList rows(const QString& sql) const;

private:
    QTemporaryDir m_dir;
};

// Unloads every form and processes pending deletions, so no window is left open.
void unloadAllForms();

// For tests of forms: dates in the United States form, every form registered.
void initFormTests();

#pragma once
#include <QString>
#include <QTemporaryDir>

#include "database/Database.h"
#include "platform/Form.h"

// A fresh application folder in a temporary directory: kelid.mdb, DemoDb,
// temp, temp2, the report definitions and the help file, with the program
// pointed at it. The shipped application folder is never touched.
// Under VARNEX_TEST_SERVER (the URI of a test cluster's maintenance
// database) the folder's database is a fresh database on that server instead
// of kelid.mdb, named in the folder's varnex.conf, and dropped with the folder.
class TestAppFolder {
public:
    enum class Data { Blank, Demo, None };
    explicit TestAppFolder(Data data = Data::Blank);
    ~TestAppFolder();

    QString path() const { return m_dir.path(); }
    QString file(const QString& relative) const { return m_dir.path() + QLatin1Char('/') + relative; }
    QString livePath() const { return file(QStringLiteral("kelid.mdb")); }
    // The database in use: the server URI under VARNEX_TEST_SERVER, else livePath().
    QString database() const { return m_server.isEmpty() ? livePath() : m_server; }
    bool isServer() const { return !m_server.isEmpty(); }

    // The test server's URI, empty when the tests run on files.
    static QString testServer();

    // Runs SQL on the live database (asserting success) and reads one value.
    void exec(const QString& sql) const;
    QVariant scalar(const QString& sql) const;
    // Every row of a query as "a|b|c" lines, for comparisons.
    QStringList rows(const QString& sql) const;
    // On the server: the unit locks taken (or, not granted, waited for) in
    // this folder's database only, whatever other tests do on the cluster.
    int advisoryLocks(bool granted = true) const;

private:
    QTemporaryDir m_dir;
    QString m_server;
    QString m_serverName;
};

// Unloads every form and processes pending deletions, so no window is left open.
void unloadAllForms();

// For tests of forms: dates in the United States form, every form registered.
void initFormTests();

// Shows a form by name and waits until its window is active, as a user would find it;
// null when it could not be shown or never became active (the reason goes to the log).
Form* showForm(const QString& name);
template <class T>
T* showFormAs(const QString& name) { return qobject_cast<T*>(showForm(name)); }

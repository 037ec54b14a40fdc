#include "TestAppFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTest>

#include "datagen/DataGen.h"
#include "database/Schema.h"
#include "database/postgres/PgSchema.h"
#include "platform/AppPaths.h"
#include "platform/FormRegistry.h"
#include "shell/FormCatalog.h"

namespace {

void runOnServer(const QString& sql) {
    Database admin;
    Status s = admin.open(TestAppFolder::testServer());
    if (s)
        s = admin.exec(sql);
    if (!s)
        qFatal("test server: %s", qPrintable(s.error()));
}

// Per test program, a database made once for each kind of data, which every
// folder's database is copied from (much faster than filling each). They are
// dropped as the application object goes: a static list of its own would be
// destroyed after the engine's statics that dropping them needs.
QStringList* g_templates = nullptr;

QString templateOf(TestAppFolder::Data data) {
    const bool demo = data == TestAppFolder::Data::Demo;
    const QString name = QStringLiteral("vx_tpl_%1_%2")
                             .arg(QCoreApplication::applicationPid())
                             .arg(demo ? QStringLiteral("demo") : QStringLiteral("blank"));
    if (!g_templates) {
        g_templates = new QStringList;
        qAddPostRoutine([] {
            for (const QString& made : *g_templates)
                runOnServer(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(made));
            delete g_templates;
            g_templates = nullptr;
        });
    }
    if (g_templates->contains(name))
        return name;
    runOnServer(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name));
    runOnServer(QStringLiteral("CREATE DATABASE %1").arg(name));
    *g_templates << name;
    Database db;
    Status s = db.open(PgSchema::withDatabase(TestAppFolder::testServer(), name));
    if (s)
        s = Schema::create(db);
    if (s)
        s = db.exec(QStringLiteral("BEGIN"));
    if (s)
        s = demo ? DataGen::insertDemoRows(db) : DataGen::insertBlankRows(db);
    if (s)
        s = db.exec(QStringLiteral("COMMIT"));
    if (!s)
        qFatal("test server: %s", qPrintable(s.error()));
    return name;
}

}  // namespace

QString TestAppFolder::testServer() { return qEnvironmentVariable("VARNEX_TEST_SERVER"); }

TestAppFolder::TestAppFolder(Data data) {
    QDir root(m_dir.path());
    for (const char* sub : {"temp", "temp2", "DemoDb", "KEL"})
        root.mkpath(QString::fromLatin1(sub));
    if (!testServer().isEmpty() && data != Data::None) {
        static int folders = 0;
        m_serverName = QStringLiteral("vx_%1_%2").arg(QCoreApplication::applicationPid()).arg(++folders);
        const QString from = templateOf(data);
        runOnServer(QStringLiteral("CREATE DATABASE %1 TEMPLATE %2").arg(m_serverName, from));
        m_server = PgSchema::withDatabase(testServer(), m_serverName);
        QFile conf(file(QStringLiteral("varnex.conf")));
        if (conf.open(QIODevice::WriteOnly))
            conf.write(QStringLiteral("server = %1\n").arg(m_server).toUtf8());
    } else if (data == Data::Blank) {
        DataGen::createBlank(livePath());
    } else if (data == Data::Demo) {
        DataGen::createDemo(livePath());
    }
    DataGen::createBlank(file(QStringLiteral("DemoDb/kelid1.mdb")));
    const QString source = QStringLiteral(VARNEX_SOURCE_DIR);
    QFile::copy(source + QStringLiteral("/data/help/VXHelp.hlp"), file(QStringLiteral("KEL/VXHelp.hlp")));
    const QStringList reports = QDir(source + QStringLiteral("/data/reports")).entryList({QStringLiteral("*.rpt")});
    for (const QString& r : reports)
        QFile::copy(source + QStringLiteral("/data/reports/") + r, file(r));
    AppPaths::setFolder(m_dir.path());
}

TestAppFolder::~TestAppFolder() {
    unloadAllForms();
    if (!m_serverName.isEmpty())
        runOnServer(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_serverName));
}

void TestAppFolder::exec(const QString& sql) const {
    Database db;
    QVERIFY2(db.open(database()).isOk(), qPrintable(db.lastError()));
    const Status s = db.exec(sql);
    QVERIFY2(s.isOk(), qPrintable(s.error()));
}

QVariant TestAppFolder::scalar(const QString& sql) const {
    Database db;
    if (!db.open(database()))
        return QVariant();
    SqlStatement st(db, sql);
    return st.next() ? st.value(0) : QVariant();
}

QStringList TestAppFolder::rows(const QString& sql) const {
    Database db;
    QStringList out;
    if (!db.open(database()))
        return out;
    SqlStatement st(db, sql);
    while (st.next()) {
        QStringList cols;
        for (int i = 0; i < st.columnCount(); ++i)
            cols << (st.value(i).isNull() ? QStringLiteral("NULL") : st.value(i).toString());
        out << cols.join(QLatin1Char('|'));
    }
    return out;
}

int TestAppFolder::advisoryLocks(bool granted) const {
    return scalar(QStringLiteral("SELECT count(*) FROM pg_locks l JOIN pg_database d ON d.oid = l.database "
                                 "WHERE l.locktype = 'advisory' AND d.datname = current_database() AND ") +
                  (granted ? QStringLiteral("l.granted") : QStringLiteral("NOT l.granted")))
        .toInt();
}

void unloadAllForms() {
    FormRegistry::instance().unloadAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

Form* showForm(const QString& name) {
    if (const Status s = FormRegistry::instance().show(name); !s) {
        qWarning("%s: %s", qPrintable(name), qPrintable(s.error()));
        return nullptr;
    }
    Form* f = FormRegistry::instance().form(name);
    if (f && !QTest::qWaitForWindowActive(f->window())) {
        qWarning("%s: the window did not become active", qPrintable(name));
        return nullptr;
    }
    return f;
}

void initFormTests() {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    static bool registered = false;
    if (!registered)
        registerAllForms();
    registered = true;
}

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include "TestAppFolder.h"
#include "database/postgres/PgConnection.h"
#include "datagen/StationRun.h"

// Roles on a plant's server: varnex-server init on a server set up before
// them, grant and logins, what a station and an engineer login may change,
// the sentence of a refusal, and the reference forms a station only reads.
namespace {
struct Run { int code; QString out; };
Run serverTool(const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PGPASSWORD"), QStringLiteral("a secret"));  // a new login's, without a terminal
    p.setProcessEnvironment(env);
    p.start(QCoreApplication::applicationDirPath() + QStringLiteral("/../app/varnex-server"), args);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError())};
}
QString refusedChange(const QString& login, const QString& what) {
    return what == QLatin1String("trail")
               ? QStringLiteral("Your login %1 may not change the audit trail; only the database's owner may.").arg(login)
               : QStringLiteral("Your login %1 may not change the %2 table; a quality engineer's login may.").arg(login, what);
}
}  // namespace

class TestRoles : public QObject {
    Q_OBJECT
    std::unique_ptr<TestAppFolder> m_app;
    const QString m_station = QStringLiteral("vx_station_%1").arg(QCoreApplication::applicationPid());
    const QString m_engineer = QStringLiteral("vx_engineer_%1").arg(QCoreApplication::applicationPid());

    QString uri(const QString& login = QStringLiteral("postgres")) const {
        return QString(m_app->database()).replace(QStringLiteral("//postgres@"), QStringLiteral("//%1@").arg(login));
    }
    // A statement of the server's own SQL run as a login: the error, empty when it ran.
    QString run(const QString& login, const QString& sql) const {
        Database db;
        Status s = db.open(uri(login));
        return (s ? static_cast<PgConnection*>(db.engine())->execNative(sql) : s).error();
    }
    void useLogin(const QString& login) const {
        QFile conf(m_app->file(QStringLiteral("varnex.conf")));
        QVERIFY(conf.open(QIODevice::WriteOnly) && conf.write(QStringLiteral("server = %1\n").arg(uri(login)).toUtf8()) > 0);
    }

private slots:
    void initTestCase() {
        if (TestAppFolder::testServer().isEmpty())
            QSKIP("roles are the server's");
        initFormTests();
        m_app = std::make_unique<TestAppFolder>();
    }
    void cleanupTestCase() {
        m_app.reset();
        Database admin;
        if (admin.open(TestAppFolder::testServer()))
            admin.exec(QStringLiteral("DROP ROLE IF EXISTS %1, %2").arg(m_station, m_engineer));
    }

    // A server set up before the trail and the roles: init adds both, and keeps its rows.
    void initBringsAnEarlierServerUp() {
        QCOMPARE(run(QStringLiteral("postgres"),
                     QStringLiteral("DROP FUNCTION varnex_audit() CASCADE; DROP TABLE audittrail; "
                                    "REVOKE ALL ON ALL TABLES IN SCHEMA public FROM varnex_station, varnex_engineer; "
                                    "ALTER FUNCTION varnex_rows_added() SECURITY INVOKER; "
                                    "INSERT INTO inspectionrecord (serialnum) VALUES ('OLD-1')")),
                 QString());
        const Run r = serverTool({QStringLiteral("init"), uri()});
        QVERIFY2(r.code == 0 && r.out.contains(QStringLiteral("InspectionRecord 1\nAuditTrail       0\n")), qPrintable(r.out));
    }

    // grant makes a login and moves it from role to role; logins names each login's one role.
    void grantMovesALoginBetweenRoles() {
        const std::pair<const char*, QString> steps[] = {{"engineer", m_station}, {"engineer", m_engineer}, {"station", m_station}};
        for (const auto& [role, login] : steps) {
            const Run r = serverTool({QStringLiteral("grant"), uri(), QString::fromLatin1(role), login});
            QVERIFY2(r.code == 0 && r.out.endsWith(QStringLiteral(" login %1 is in varnex_%2\n").arg(login, QLatin1String(role))),
                     qPrintable(r.out));
        }
        const QString listed = serverTool({QStringLiteral("logins"), uri()}).out;
        QCOMPARE(listed.count(QRegularExpression(QStringLiteral("^%1 +station$").arg(m_station), QRegularExpression::MultilineOption)), 1);
        QCOMPARE(listed.count(m_station), 1);
        QCOMPARE(listed.count(QRegularExpression(QStringLiteral("^%1 +engineer$").arg(m_engineer), QRegularExpression::MultilineOption)), 1);
    }

    // A station enters and corrects inspection rows, the trail naming its login; it
    // changes neither a reference table nor the trail. An engineer changes the reference tables.
    void stationLoginWritesInspectionRowsOnly() {
        QCOMPARE(run(m_station, QStringLiteral("INSERT INTO defects (defectcode) VALUES ('X9')")), refusedChange(m_station, "Defect"));
        QCOMPARE(run(m_station, QStringLiteral("UPDATE audittrail SET login = 'nobody'")), refusedChange(m_station, "trail"));
        QCOMPARE(run(m_station, QStringLiteral("DELETE FROM audittrail")), refusedChange(m_station, "trail"));
        QCOMPARE(run(m_engineer, QStringLiteral("INSERT INTO defects (defectcode) VALUES ('X9')")), QString());
        useLogin(m_station);
        StationRun::Plan plan;
        plan.rows = 3;
        plan.inspector = QStringLiteral("S1");
        plan.model = QStringLiteral("CM1");
        plan.stations = {QStringLiteral("ELE")};
        plan.defectShare = 0;
        const StationRun::Result submitted = StationRun::run(plan);
        QVERIFY2(submitted.submitted == 3, qPrintable(submitted.errors.join(QLatin1Char('\n'))));
        QCOMPARE(run(m_station, QStringLiteral("UPDATE inspectionrecord SET notes = 'corrected' WHERE inspectornum = 'S1'")), QString());
        QCOMPARE(m_app->rows(QStringLiteral("SELECT Login, Action, count(*) FROM AuditTrail WHERE TableName = 'InspectionRecord' "
                                            "AND (Action = 'insert' OR Changes LIKE '%corrected%') GROUP BY Login, Action ORDER BY 2")),
                 QStringList({m_station + QStringLiteral("|insert|3"), m_station + QStringLiteral("|update|3")}));
    }

    // A station's reference editor and grid open read-only and say why; an engineer's do not.
    void referenceFormsReadOnlyForAStation() {
        for (const QString& login : {m_station, m_engineer}) {
            useLogin(login);
            const QString why = login == m_station ? refusedChange(login, "Defect") : QString();
            for (const char* name : {"frmDefects", "tbldefects"}) {
                Form* form = showForm(QString::fromLatin1(name));
                QVERIFY(form);
                QCOMPARE(form->findChild<QLabel*>(QStringLiteral("lblReadOnly"))->text(), why);
                const QPushButton* add = form->findChild<QPushButton*>(QStringLiteral("cmdAdd"));
                QCOMPARE(add->isEnabled() && !add->isHidden(), why.isEmpty());
                if (auto* box = form->findChild<QLineEdit*>(QStringLiteral("txtDefectCode")))
                    QCOMPARE(box->isReadOnly(), !why.isEmpty());
                unloadAllForms();
            }
        }
    }
};

QTEST_MAIN(TestRoles)
#include "tst_roles.moc"

#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "TestAppFolder.h"
#include "database/Schema.h"
#include "database/postgres/PgSchema.h"
#include "dataentry/DataEntryForm.h"
#include "datagen/DataGen.h"
#include "platform/Dialogs.h"
#include "platform/FormRegistry.h"
#include "platform/MousePointer.h"
#include "reports/ReportCriteriaForm.h"
#include "reports/ReportEngine.h"
#include "shell/Application.h"
#include "shell/FormCatalog.h"

// A server that cannot be reached, or goes away under a running form: the
// server's own message, the program stays up, nothing half-stored, and the
// next action reconnects. The server is the test's own cluster, stopped and
// started under the forms (the other tests' cluster is not disturbed).
namespace {

class Cluster {
public:
    Cluster() { m_uri = run(QStringLiteral("start")).trimmed(); }
    ~Cluster() { run(QStringLiteral("stop")); }
    QString uri() const { return m_uri; }
    bool pause() { return m_paused = run(QStringLiteral("pause")) != QLatin1String("!"); }
    bool resume() {
        if (m_paused)
            m_paused = run(QStringLiteral("resume")) == QLatin1String("!");
        return !m_paused;
    }

private:
    QString run(const QString& action) {
        QProcess p;
        p.start(QStringLiteral(VARNEX_SOURCE_DIR "/tests/pg/cluster.sh"), {action, m_dir.path()});
        if (!p.waitForFinished(90000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
            qWarning("cluster.sh %s: %s", qPrintable(action), p.readAllStandardError().constData());
            return QStringLiteral("!");
        }
        return QString::fromUtf8(p.readAllStandardOutput());
    }
    QTemporaryDir m_dir;
    QString m_uri;
    bool m_paused = false;
};

FormRegistry& forms() { return FormRegistry::instance(); }
QWidget* focused() { return QApplication::focusWidget(); }
void field(const QString& text) {
    QTest::keyClicks(focused(), text);
    QTest::keyClick(focused(), Qt::Key_Tab);
}
template <class T = QWidget>
T* child(QWidget* f, const char* name) { return f->findChild<T*>(QLatin1String(name)); }

}  // namespace

class TestServerFaults : public QObject {
    Q_OBJECT

    std::unique_ptr<Cluster> m_cluster;
    QString m_plant;  // the plant's database on it

    Status admin(const QString& sql) {
        Database db;
        Status s = db.open(m_cluster->uri());
        return s ? db.exec(sql) : s;
    }
    qint64 rows(const QString& sql) {
        Database db;
        if (!db.open(m_plant))
            return -1;
        SqlStatement st(db, sql);
        return st.next() ? st.int64(0) : -1;
    }

private slots:
    void initTestCase() {
        initFormTests();
        Application::setQuitHandler([] {});
        m_cluster = std::make_unique<Cluster>();
        QVERIFY(m_cluster->uri().startsWith(QLatin1String("postgresql://")));
        QVERIFY(admin(QStringLiteral("CREATE DATABASE plant")).isOk());
        m_plant = PgSchema::withDatabase(m_cluster->uri(), QStringLiteral("plant"));
        Database server;
        QVERIFY(server.open(m_plant).isOk());
        QVERIFY(Schema::create(server).isOk());
        QVERIFY(server.exec(QStringLiteral("BEGIN")).isOk());
        QVERIFY(DataGen::insertBlankRows(server).isOk());
        QVERIFY(server.exec(QStringLiteral("COMMIT")).isOk());
    }
    void cleanupTestCase() { m_cluster.reset(); }
    void cleanup() {
        unloadAllForms();
        MousePointer::arrow();
        Schema::setServerOverride(QString());
        m_cluster->resume();
    }

    // A server down at start: its message, then the main menu; the forms try again.
    void serverDownAtStart() {
        TestAppFolder app(TestAppFolder::Data::None);
        Schema::setServerOverride(m_plant);
        QVERIFY(m_cluster->pause());
        Dialogs::Scripted dialogs;
        QVERIFY(Application::start().isOk());
        QVERIFY(forms().isVisible(QStringLiteral("frmMain")));
        QVERIFY(forms().show(QStringLiteral("frmDataEntry")).isOk());
        QCOMPARE(dialogs.messages.size(), 2);
        for (const Dialogs::Message& m : dialogs.messages)
            QVERIFY2(m.text.contains(QStringLiteral("No such file or directory")), qPrintable(m.text));
    }

    // The server goes away while a row is typed: Submit says so in the
    // server's words, stores nothing and keeps the row on the screen; once the
    // server is back, Submit stores it once, numbered as if nothing happened.
    void submitWhileTheServerIsAway() {
        TestAppFolder app(TestAppFolder::Data::None);
        Schema::setServerOverride(m_plant);
        Dialogs::Scripted dialogs;
        auto* form = showFormAs<DataEntryForm>(QStringLiteral("frmDataEntry"));
        QVERIFY(form);
        QTest::mouseClick(child<QPushButton>(form, "cmdAdd"), Qt::LeftButton);
        for (const char* t : {"a", "m1", "s1", "e7"})
            field(QString::fromLatin1(t));
        QVERIFY(m_cluster->pause());
        for (const char* t : {"12312026", "t1"})
            field(QString::fromLatin1(t));
        QTest::mouseClick(child<QPushButton>(form, "cmdPass"), Qt::LeftButton);
        QTest::mouseClick(child<QPushButton>(form, "cmdSubmit"), Qt::LeftButton);
        QCOMPARE(dialogs.messages.size(), 1);
        const QString lost = dialogs.messages[0].text;
        QVERIFY2(lost.contains(QStringLiteral("terminating connection")) || lost.contains(QStringLiteral("server closed the connection")),
                 qPrintable(lost));
        QCOMPARE(child<QLineEdit>(form, "txtModelNumber")->text(), QStringLiteral("M1"));
        QCOMPARE(child<QLineEdit>(form, "txtPartNum")->text(), Schema::passPart());

        QVERIFY(m_cluster->resume());
        QCOMPARE(rows(QStringLiteral("SELECT count(*) FROM InspectionRecord")), 0);
        dialogs.answers.enqueue(Dialogs::Answer::No);
        QTest::mouseClick(child<QPushButton>(form, "cmdSubmit"), Qt::LeftButton);
        QCOMPARE(dialogs.texts().mid(1), QStringList{QStringLiteral("Do you have another defect?")});
        QCOMPARE(rows(QStringLiteral("SELECT count(*) FROM InspectionRecord WHERE ModelNumber = 'M1' AND ReworkNum = 1")), 1);
        QCOMPARE(rows(QStringLiteral("SELECT count(*) FROM InspectionRecord")), 1);
    }

    // A report run while the server is away: its message, the form stays for
    // another run, which works once the server is back.
    void reportWhileTheServerIsAway() {
        TestAppFolder app(TestAppFolder::Data::None);
        Schema::setServerOverride(m_plant);
        Dialogs::Scripted dialogs;
        auto* form = showFormAs<ReportCriteriaForm>(QStringLiteral("frmPareto"));
        QVERIFY(form);
        const QString csv = app.file(QStringLiteral("pareto.csv"));
        form->engine()->setOutput(ReportEngine::Output::Csv, csv);
        for (const char* box : {"MaskEdBox1", "MaskEdBox2"}) {
            child(form, box)->setFocus();
            QTest::keyClicks(child(form, box), QStringLiteral("12312026"));
        }
        QVERIFY(m_cluster->pause());
        QTest::mouseClick(child<QPushButton>(form, "cmdOK"), Qt::LeftButton);
        QCOMPARE(dialogs.messages.size(), 1);
        QVERIFY2(dialogs.messages[0].text.contains(QStringLiteral("No such file or directory")), qPrintable(dialogs.messages[0].text));
        QVERIFY(!QFile::exists(csv));
        QVERIFY(forms().isVisible(QStringLiteral("frmPareto")));

        QVERIFY(m_cluster->resume());
        QTest::mouseClick(child<QPushButton>(form, "cmdOK"), Qt::LeftButton);
        QCOMPARE(dialogs.texts().mid(1), QStringList());
        QVERIFY(QFile::exists(csv));
    }
};

QTEST_MAIN(TestServerFaults)
#include "tst_serverfaults.moc"

// Foundation cases: the program's start-up (background window and main menu
// shown) and a record navigator opening the large inspection table until its
// first row shows, against reading every row into memory.
#include <memory>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFormLayout>
#include <QLineEdit>
#include <QWidget>

#include "Bench.h"
#include "database/RecordNavigator.h"
#include "database/Database.h"
#include "datagen/DataGen.h"
#include "platform/AppPaths.h"
#include "platform/Dialogs.h"
#include "platform/FormRegistry.h"
#include "shell/Application.h"
#include "utilities/StartupCheck.h"

namespace {

const char* const kInspectionFields[] = {"Facility", "ModelNumber", "SerialNum", "InspectorNum", "Date",
                                         "Station", "PartNum", "DefectCode", "LocationCode", "InspNum",
                                         "IDate", "OperatorNum", "ODate", "ReworkNum", "Notes"};

// Message boxes are answered and counted, never left waiting for a user; the
// service in use before is put back afterwards.
class QuietDialogs {
public:
    QuietDialogs() : m_previous(&Dialogs::service()), m_scripted(std::make_unique<Dialogs::Scripted>()) {}
    ~QuietDialogs() {
        m_scripted.reset();
        Dialogs::install(m_previous);
    }
    // Fails the case when a message box came up (an error on the way).
    void check() {
        if (!m_scripted->messages.isEmpty())
            Bench::fail(QStringLiteral("message box: %1").arg(m_scripted->messages.first().text));
        m_scripted->clear();
    }

private:
    Dialogs::Service* m_previous;
    std::unique_ptr<Dialogs::Scripted> m_scripted;
};

void flushEvents() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

// --- start-up ---------------------------------------------------------------

std::unique_ptr<QuietDialogs> g_startupDialogs;
QString g_previousFolder;

// A fresh application folder with the demo database, as the build lays it out.
void setUpStartup() {
    g_startupDialogs = std::make_unique<QuietDialogs>();
    const QString app = Bench::folder() + QStringLiteral("/startup-app");
    QDir(app).removeRecursively();
    for (const char* sub : {"temp", "temp2", "DemoDb", "KEL"})
        QDir(app).mkpath(QString::fromLatin1(sub));
    Status s = DataGen::createDemo(app + QStringLiteral("/kelid.mdb"));
    if (s)
        s = DataGen::createBlank(app + QStringLiteral("/DemoDb/kelid1.mdb"));
    if (!s)
        Bench::fail(s.error());
    g_previousFolder = AppPaths::folder();
    AppPaths::setFolder(app);
    // Leaving the program must not end the benchmark.
    Application::setQuitHandler([] {});
}

void startUp() {
    const Status s = Application::start();
    if (!s) {
        Bench::fail(s.error());
        return;
    }
    FormRegistry& forms = FormRegistry::instance();
    QElapsedTimer waited;
    waited.start();
    while (!(forms.isVisible(QStringLiteral("MDIBackground")) && forms.isVisible(QStringLiteral("frmMain")))) {
        if (waited.elapsed() > 10000) {
            Bench::fail(QStringLiteral("the background window and the main menu did not show"));
            return;
        }
        QCoreApplication::processEvents();
    }
    // Let the windows paint.
    QCoreApplication::processEvents();
}

// Leaves the program (its exit sequence runs here, untimed) so the next run
// starts from nothing again.
void shutDown() {
    FormRegistry::instance().unload(QStringLiteral("MDIBackground"));
    FormRegistry::instance().unloadAll();
    flushEvents();
    g_startupDialogs->check();
}

void tearDownStartup() {
    Application::setQuitHandler(nullptr);
    AppPaths::setFolder(g_previousFolder);
    g_startupDialogs.reset();
}

Bench::Registrar startup{Bench::Case{QStringLiteral("foundation: start-up to main menu shown"),
                                     QString(), setUpStartup, startUp, tearDownStartup, 15, shutDown}};

// --- record navigator on the large table --------------------------------------

QString g_large;
std::unique_ptr<QWidget> g_form;

QString navigatorCaseName() {
    return QStringLiteral("foundation: navigator opens InspectionRecord, 1st row");
}
QString baselineCaseName() { return QStringLiteral("foundation: baseline, read every InspectionRecord row"); }

void openNavigator() {
    g_form = std::make_unique<QWidget>();
    auto* layout = new QFormLayout(g_form.get());
    auto* nav = new RecordNavigator(g_form.get());
    QLineEdit* model = nullptr;
    for (const char* field : kInspectionFields) {
        auto* box = new QLineEdit(g_form.get());
        layout->addRow(QString::fromLatin1(field), box);
        nav->bind(box, QString::fromLatin1(field));
        if (qstrcmp(field, "ModelNumber") == 0)
            model = box;
    }
    layout->addRow(nav);
    nav->setDatabaseName(g_large);
    nav->setRecordSource(QStringLiteral("InspectionRecord"));
    const Status s = nav->refresh();
    g_form->show();
    QCoreApplication::processEvents();
    if (!s)
        Bench::fail(s.error());
    else if (!nav->hasCurrentRow() || model->text().isEmpty())
        Bench::fail(QStringLiteral("no first row shown"));
    else if (nav->recordCount() != Bench::rows())
        Bench::fail(QStringLiteral("%1 rows counted, %2 expected").arg(nav->recordCount()).arg(Bench::rows()));
}

void closeNavigator() {
    g_form.reset();
    flushEvents();
}

Bench::Registrar navigator{Bench::Case{navigatorCaseName(), baselineCaseName(),
                                       [] { g_large = Bench::largeDatabase(Bench::rows()); }, openNavigator, {}, 7,
                                       closeNavigator}};

// What opening would cost if the navigator read the whole table up front.
void readEveryRow() {
    Database db;
    Status s = db.open(g_large, Database::Mode::ReadOnly);
    if (!s) {
        Bench::fail(s.error());
        return;
    }
    SqlStatement st(db, QStringLiteral("SELECT * FROM InspectionRecord"));
    std::vector<QVariantList> rows;
    while (st.next()) {
        QVariantList row;
        row.reserve(st.columnCount());
        for (int i = 0; i < st.columnCount(); ++i)
            row << st.value(i);
        rows.push_back(std::move(row));
    }
    if (!st.status())
        Bench::fail(st.status().error());
    else if (qint64(rows.size()) != Bench::rows())
        Bench::fail(QStringLiteral("%1 rows read").arg(rows.size()));
}

Bench::Registrar baseline{Bench::Case{baselineCaseName(), QString(),
                                      [] { g_large = Bench::largeDatabase(Bench::rows()); }, readEveryRow, {}, 3}};

// The quick check that start-up runs on the live database (on a worker
// thread, the user-interface thread waiting in its event loop).
void checkAtStart() {
    const Status s = StartupCheck::checkInBackground(g_large);
    if (!s)
        Bench::fail(s.error());
}

Bench::Registrar startCheck{Bench::Case{QStringLiteral("foundation: start-up check (quick_check) of the large file"), QString(),
                                        [] { g_large = Bench::largeDatabase(Bench::rows()); }, checkAtStart, {}, 5}};

}  // namespace

#include "shell/MDIBackground.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMdiArea>
#include <QScreen>
#include <QMenuBar>
#include <QShortcut>
#include <QVBoxLayout>

#include "database/Schema.h"
#include "dataentry/OutboxSender.h"
#include "platform/ConfigFile.h"
#include "platform/Dialogs.h"
#include "platform/FormRegistry.h"
#include "platform/HelpViewer.h"
#include "shell/Application.h"

MDIBackground::MDIBackground() : Form(QStringLiteral("MDIBackground"), Kind::TopLevel) {
    setHelpContext(10);
    setCaption(QStringLiteral("Varnex"));
    m_menuBar = new QMenuBar(this);
    m_menuBar->setObjectName(QStringLiteral("MenuBar"));
    QMenu* file = m_menuBar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    QAction* exit = file->addAction(QStringLiteral("Exit"));
    exit->setObjectName(QStringLiteral("mnuExit"));
    connect(exit, &QAction::triggered, this, [] { FormRegistry::instance().unload(QStringLiteral("MDIBackground")); });
    // Analysis: the analysis forms, each opened like a working form, and the line board.
    // Alt+L: the menu bar's keys reach into every form inside the window, and
    // A, N and S are taken there (Add, Ending Date, Station).
    QMenu* analysis = m_menuBar->addMenu(QStringLiteral("Ana&lysis"));
    analysis->setObjectName(QStringLiteral("mnuAnalysis"));
    const struct { const char* name; const char* caption; const char* form; } entries[] = {
        {"mnuYieldTrend", "Yield &Trend with Control Limits...", "frmYieldTrend"},
        {"mnuUnitHistory", "&Unit History...", "frmUnitHistory"},
        {"mnuWhatChanged", "&What Changed...", "frmWhatChanged"},
        {"mnuLineBoard", "Line &Board", "frmLineBoard"},
        {"mnuControlLimits", "&Control Limits...", "frmControlLimits"},
        {"mnuAlarms", "&Alarms...", "frmAlarms"},
    };
    for (const auto& e : entries) {
        QAction* entry = analysis->addAction(QString::fromLatin1(e.caption));
        entry->setObjectName(QString::fromLatin1(e.name));
        const QString form = QString::fromLatin1(e.form);
        connect(entry, &QAction::triggered, this, [form] {
            const Status s = FormRegistry::instance().show(form);
            if (!s)
                Dialogs::showError(s);
        });
    }
    QMenu* help = m_menuBar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    QAction* contents = help->addAction(QStringLiteral("Help/Tutorial"));
    contents->setObjectName(QStringLiteral("mnuHelpContents"));
    contents->setProperty("helpContextID", 10);
    connect(contents, &QAction::triggered, this, [] {
        const Status s = HelpViewer::showContents(HelpViewer::tutorialFileName());
        if (!s)
            Dialogs::showError(s);
    });
    QAction* about = help->addAction(QStringLiteral("About Varnex"));
    about->setObjectName(QStringLiteral("mnuAbout"));
    connect(about, &QAction::triggered, this, [] {
        const Status s = FormRegistry::instance().show(QStringLiteral("frmAbout"));
        if (!s)
            Dialogs::showError(s);
    });

    m_area = new QMdiArea(this);
    m_area->setObjectName(QStringLiteral("MDIArea"));
    m_area->setBackground(QColor(0x80, 0x80, 0x80));
    // A maximised browser does not pass its state on: every form opens at its
    // own size, whatever was maximised before it.
    m_area->setOption(QMdiArea::DontMaximizeSubWindowOnActivation);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(m_menuBar);
    layout->addWidget(m_area);
    resize(1024, 720);
    // Alt+F4 closes the window where no window manager does it for the program.
    auto* altF4 = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_F4), this);
    altF4->setObjectName(QStringLiteral("keyAltF4"));
    connect(altF4, &QShortcut::activated, this, &QWidget::close);
}

void MDIBackground::closeEvent(QCloseEvent* e) {
    if (Dialogs::show(QStringLiteral("Exit Varnex?"), Dialogs::Buttons::YesNo, Dialogs::Icon::Question, Dialogs::appTitle(),
                      Dialogs::Answer::Yes) != Dialogs::Answer::Yes) {
        e->ignore();
        return;
    }
    Form::closeEvent(e);
}

void MDIBackground::onLoad() {
    // Which database this window works on, when several stations each have one open.
    // The plant's name first, when varnex.conf gives one.
    const QString plant = ConfigFile::value(QStringLiteral("plant"));
    const QString caption = QStringLiteral("Varnex - ") + (plant.isEmpty() ? QString() : plant + QStringLiteral(" - ")) + Schema::describe();
    setCaption(caption);
    // A station that keeps rows while the server is away says how many wait.
    if (Schema::isServer()) {
        OutboxSender& sender = OutboxSender::station();
        const auto show = [this, caption](int waiting) {
            setCaption(waiting == 0 ? caption : caption + QStringLiteral(" - Offline: ") + OutboxSender::waitingWords(waiting));
        };
        connect(&sender, &OutboxSender::waitingChanged, this, show);
        show(sender.waiting());
    }
    FormRegistry& forms = FormRegistry::instance();
    forms.setMdiArea(m_area);
    // The background window fills the screen, so that the forms that centre
    // themselves on the screen stand in the middle of it.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        resize(screen->availableGeometry().size());
    showMaximized();
    const Status s = forms.show(QStringLiteral("frmMain"));
    if (!s)
        Dialogs::showError(s);
}

void MDIBackground::onUnload() {
    FormRegistry& forms = FormRegistry::instance();
    // Every child form runs its own unload first.
    forms.unloadAll();
    forms.setMdiArea(nullptr);
    // Then the database is repaired and compacted, and the program ends.
    const Status s = forms.load(QStringLiteral("frmCompact"));
    if (!s)
        Dialogs::showError(s);
    forms.unload(QStringLiteral("frmCompact"));
    hide();
    Application::quit();
}

#include "utilities/CompactForm.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>
#include <QWindow>

#include "database/Maintenance.h"
#include "database/Schema.h"
#include "platform/Dialogs.h"
#include "platform/MousePointer.h"
#include "utilities/StartupCheck.h"

CompactForm::CompactForm() : Form(QStringLiteral("frmCompact"), Kind::TopLevel) {
    setCaption(QStringLiteral("Compacting Database"));
    auto* layout = new QVBoxLayout(this);
    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("lblmessage"));
    m_message->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_message);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("prgPages"));
    m_progress->setFormat(QStringLiteral("%v of %m pages"));
    m_progress->setRange(0, 0);  // busy until the compaction counts its pages
    layout->addWidget(m_progress);
    setFixedSize(360, 110);
}

CompactRepair::ExitRule& CompactForm::exitRule() {
    static CompactRepair::ExitRule rule;
    return rule;
}

void CompactForm::onLoad() {
    hide();
    // The file beside the program is not the database in use: it is left alone.
    if (Schema::isServer()) {
        m_message->setText(CompactRepair::serverNote());
        return;
    }
    // A file known to be damaged, or not fully checked for a week, is checked
    // first; damage is reported as at start, and the sequence runs only if
    // the user agrees.
    if (StartupCheck::fullCheckDue(exitRule().fullCheckDays)) {
        showWorking(QStringLiteral("Checking Database, Please wait..."));
        const Status verdict = StartupCheck::inBackground([] { return Maintenance::fullCheck(Schema::livePath()); });
        hide();
        MousePointer::arrow();
        if (StartupCheck::offerRepair(verdict))
            return;
    }
    CompactRepair sequence;
    // Nothing written since the last check, or too little to be worth it:
    // the file is left as it is and the program ends at once.
    if (sequence.exitReason(exitRule()).isEmpty())
        return;
    showWorking(QStringLiteral("Compacting Database, Please wait..."));
    sequence.progress = [this](qint64 done, qint64 all) { showProgress(done, all); };
    const Status s = sequence.run();
    if (!s) {
        // Reported once; the caller ends the program as usual.
        Dialogs::showError(s);
        unloadMe();
        MousePointer::arrow();
        return;
    }
    MousePointer::arrow();
    hide();
    m_message->hide();
}

// The whole sequence runs in this handler: the window is given the moment
// it needs to appear with its text before the work starts.
void CompactForm::showWorking(const QString& text) {
    MousePointer::hourglass();
    centreOnScreen();
    m_message->setText(text);
    show();
    QElapsedTimer waited;
    waited.start();
    while (windowHandle() && !windowHandle()->isExposed() && waited.elapsed() < 1000)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 50);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    repaint();
}

void CompactForm::showProgress(qint64 done, qint64 all) {
    // A bar counts in int: pages of a very large file are shown in thousands.
    const int scale = all > 2000000000 ? 1000 : 1;
    m_progress->setRange(0, int(all / scale));
    m_progress->setValue(int(done / scale));
    m_progress->repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

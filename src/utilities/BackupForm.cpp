#include "utilities/BackupForm.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/Dialogs.h"
#include "platform/FormRegistry.h"
#include "platform/MousePointer.h"
#include "utilities/DatabaseBackup.h"

BackupForm::BackupForm() : Form(QStringLiteral("frmBackUp")) {
    setHelpContext(200);
    setCaption(QStringLiteral("BackUp"));
    auto* layout = new QVBoxLayout(this);
    m_message = new QLabel(QStringLiteral("Perform Backup At least once a week! Create a new folder to back up into "
                                          "prior to performing backup."),
                           this);
    m_message->setObjectName(QStringLiteral("lblBackup"));
    m_message->setAlignment(Qt::AlignCenter);
    m_message->setWordWrap(true);
    m_start = new QPushButton(QStringLiteral("Start Backup"), this);
    m_start->setObjectName(QStringLiteral("cmdBackup"));
    layout->addWidget(m_message);
    layout->addWidget(m_start, 0, Qt::AlignHCenter);
    setFixedSize(380, 150);
    connect(m_start, &QPushButton::clicked, this, &BackupForm::startBackup);
}

void BackupForm::onLoad() {
    window_()->adjustSize();
    centreOnScreen();
}

void BackupForm::onUnload() { FormRegistry::instance().returnFrom(objectName()); }

void BackupForm::startBackup() {
    m_start->hide();
    const QString folder = Dialogs::input(QStringLiteral("Enter filepath for backup location"), QStringLiteral("File Backup"));
    if (folder.isEmpty()) {
        unloadMe();
        return;
    }
    MousePointer::hourglass();
    m_message->setText(QStringLiteral("Backup in Progress"));
    m_message->repaint();
    const Status s = DatabaseBackup::run(folder);
    if (!s) {
        Dialogs::showError(s.error());
        MousePointer::arrow();
        unloadMe();
        return;
    }
    window_()->hide();
    MousePointer::arrow();
    Dialogs::show(QStringLiteral("Backup Complete"));
    unloadMe();
}

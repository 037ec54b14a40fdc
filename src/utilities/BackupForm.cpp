#include "utilities/BackupForm.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/Dialogs.h"
#include "platform/FormRegistry.h"
#include "platform/MousePointer.h"
#include "utilities/DatabaseBackup.h"

namespace {
const char* const kInstructions =
    "Perform Backup At least once a week! Create a new folder to back up into prior to performing backup.";
}

BackupForm::BackupForm() : Form(QStringLiteral("frmBackUp")) {
    setHelpContext(200);
    setCaption(QStringLiteral("BackUp"));
    m_message = new QLabel(QString::fromLatin1(kInstructions), this);
    m_message->setObjectName(QStringLiteral("lblBackup"));
    m_message->setAlignment(Qt::AlignCenter);
    m_message->setWordWrap(true);
    auto* prompt = new QLabel(QStringLiteral("Backup f&older:"), this);
    m_folder = new QLineEdit(this);
    m_folder->setObjectName(QStringLiteral("txtFolder"));
    prompt->setBuddy(m_folder);
    auto* browse = new QPushButton(QStringLiteral("&Browse..."), this);
    browse->setObjectName(QStringLiteral("cmdBrowse"));
    m_last = new QLabel(this);
    m_last->setObjectName(QStringLiteral("lblLastBackup"));
    m_last->setWordWrap(true);
    m_start = new QPushButton(QStringLiteral("Start Backup"), this);
    m_start->setObjectName(QStringLiteral("cmdBackup"));
    auto* path = new QHBoxLayout;
    path->addWidget(prompt);
    path->addWidget(m_folder, 1);
    path->addWidget(browse);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_message);
    layout->addLayout(path);
    layout->addWidget(m_last);
    layout->addWidget(m_start, 0, Qt::AlignHCenter);
    setFixedSize(460, 190);
    connect(browse, &QPushButton::clicked, this, &BackupForm::chooseFolder);
    connect(m_start, &QPushButton::clicked, this, &BackupForm::startBackup);
    connect(m_folder, &QLineEdit::returnPressed, this, &BackupForm::startBackup);
}

void BackupForm::onLoad() {
    // The folder of the last backup is offered again: the next one is one click.
    m_folder->setText(DatabaseBackup::last().folder);
    showLastBackup();
    window_()->adjustSize();
    centreOnScreen();
    m_folder->setFocus();
}

void BackupForm::onUnload() { FormRegistry::instance().returnFrom(objectName()); }

void BackupForm::showLastBackup() {
    const DatabaseBackup::Last last = DatabaseBackup::last();
    m_last->setText(last.when.isValid()
                        ? QStringLiteral("Last backup: %1, into %2")
                              .arg(last.when.toString(QStringLiteral("yyyy-MM-dd HH:mm")), last.folder)
                        : QStringLiteral("No backup has been made yet."));
}

void BackupForm::chooseFolder() {
    const QString start = m_folder->text().isEmpty() ? QDir::homePath() : m_folder->text();
    const QString chosen = Dialogs::chooseFolder(QStringLiteral("Backup Folder"), start);
    if (!chosen.isEmpty())
        m_folder->setText(QDir::toNativeSeparators(chosen));
    m_folder->setFocus();
}

void BackupForm::startBackup() {
    const QString folder = m_folder->text();
    if (folder.isEmpty()) {
        Dialogs::beep();
        m_folder->setFocus();
        return;
    }
    m_start->hide();
    MousePointer::hourglass();
    m_message->setText(QStringLiteral("Backup in Progress"));
    m_message->repaint();
    const Status s = DatabaseBackup::run(folder);
    if (!s) {
        // The user stays on the form with the path typed, to mend it or choose another.
        Dialogs::showError(s);
        MousePointer::arrow();
        m_message->setText(QString::fromLatin1(kInstructions));
        m_start->show();
        m_folder->setFocus();
        return;
    }
    window_()->hide();
    MousePointer::arrow();
    Dialogs::show(QStringLiteral("Backup Complete"));
    unloadMe();
}

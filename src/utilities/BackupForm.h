#pragma once
#include "platform/Form.h"

class QLabel;
class QLineEdit;
class QPushButton;

// frmBackUp: copies the live database into a folder the user types or
// chooses, keeping the backup it replaces, and says when the last one was made.
class BackupForm : public Form {
    Q_OBJECT
public:
    BackupForm();
    void onLoad() override;
    void onUnload() override;

private:
    void chooseFolder();
    void startBackup();
    void showLastBackup();

    QLabel* m_message;
    QLineEdit* m_folder;
    QLabel* m_last;
    QPushButton* m_start;
};

#pragma once
#include "platform/Form.h"

class QLabel;
class QPushButton;

// frmBackUp: copies the live database into a folder the user types.
class BackupForm : public Form {
    Q_OBJECT
public:
    BackupForm();
    void onLoad() override;
    void onUnload() override;

private:
    void startBackup();

    QLabel* m_message;
    QPushButton* m_start;
};

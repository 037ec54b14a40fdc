#pragma once
#include "platform/Form.h"

class QLabel;
class QPushButton;

// frmRepair: compact and repair on demand, from the utility menu.
class RepairForm : public Form {
    Q_OBJECT
public:
    RepairForm();
    void onLoad() override;
    void onUnload() override;

private:
    void startRepair();

    QLabel* m_message;
    QPushButton* m_start;
};

#pragma once
#include "monitor/ControlLimits.h"
#include "platform/Form.h"

class MaskedDateBox;
class QCheckBox;
class QLabel;
class QPushButton;
class QSpinBox;
class TextBox;

// Analysis, Control Limits (frmControlLimits): for a facility, a station and
// optionally one model, the p-bar of a baseline date range with its days and
// units (OK, or Enter), then Store Limits makes it the set in force, with the
// rules it switches on and rule 4's numbers. Earlier sets stay in the table.
class ControlLimitsForm : public Form {
    Q_OBJECT
public:
    ControlLimitsForm();
    void onLoad() override;

    // cmdOK: the baseline shown; false when refused (a message was shown).
    bool showBaseline();
    // cmdStore: the baseline stored as the limits in force.
    bool storeLimits();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The boxes read into a set (rules and numbers included); false with a message shown.
    bool readBoxes(LimitSet* set);
    void showInForce();

    TextBox* m_facility;
    TextBox* m_station;
    TextBox* m_model;
    MaskedDateBox* m_begin;
    MaskedDateBox* m_end;
    QCheckBox* m_rule[4];
    QSpinBox* m_count;
    QSpinBox* m_units;
    QLabel* m_baseline;
    QLabel* m_inForce;
    QPushButton* m_ok;
    QPushButton* m_store;
    QPushButton* m_exit;
};

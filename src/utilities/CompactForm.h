#pragma once
#include "platform/Form.h"
#include "utilities/CompactRepair.h"

class QLabel;
class QProgressBar;

// frmCompact: the repair and compaction run on exit. Loading it runs the
// whole sequence when it is worth running (CompactRepair::exitReason); the
// background window unloads it afterwards.
class CompactForm : public Form {
    Q_OBJECT
public:
    CompactForm();
    void onLoad() override;

    // The rule every exit applies (tests make small files count as large).
    static CompactRepair::ExitRule& exitRule();

private:
    void showWorking(const QString& text);
    void showProgress(qint64 done, qint64 all);

    QLabel* m_message;
    QProgressBar* m_progress;
};

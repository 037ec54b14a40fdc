#pragma once
#include "platform/Form.h"

class QLabel;

// frmCompact: the compaction run on every exit. Loading it runs the whole
// sequence; the background window unloads it afterwards.
class CompactForm : public Form {
    Q_OBJECT
public:
    CompactForm();
    void onLoad() override;

private:
    QLabel* m_message;
};

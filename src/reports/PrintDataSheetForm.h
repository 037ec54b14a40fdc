#pragma once
#include "platform/Form.h"

class QPushButton;

// Offers the data collection sheet, the blank form inspectors fill in on the
// floor. The sheet is help topic 50: printing raises that topic, as F1 on the
// form would, and closes the form.
class PrintDataSheetForm : public Form {
    Q_OBJECT
public:
    static constexpr int kSheetTopic = 50;
    PrintDataSheetForm();
    void onLoad() override;
    // cmdPrintSheet
    void printSheet();
};

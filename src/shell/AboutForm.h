#pragma once
#include "platform/Form.h"

// "About Varnex": a separate window closed with OK, Escape or its close box.
class AboutForm : public Form {
    Q_OBJECT
public:
    AboutForm();
    void onLoad() override;

private:
    class QLabel* m_database;
};

#pragma once
#include "platform/Form.h"

class QMdiArea;
class QMenuBar;

// The background window: a menu bar (File, Analysis, Help) over the area in which the
// child forms live. Unloading it is the way out of the program.
class MDIBackground : public Form {
    Q_OBJECT
public:
    MDIBackground();
    void onLoad() override;
    void onUnload() override;
    QMdiArea* area() const { return m_area; }

protected:
    // Closing the window (its close box, Alt+F4) asks before the way out.
    void closeEvent(QCloseEvent* e) override;

private:
    QMdiArea* m_area;
    QMenuBar* m_menuBar;
};

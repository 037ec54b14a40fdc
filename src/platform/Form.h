#pragma once
#include <QWidget>

// A form of the program: it exists once, is loaded (constructed, then its load
// handler runs), shown, hidden and unloaded (its unload handler runs, then it is
// destroyed) through the FormRegistry. Closing its window unloads it.
class Form : public QWidget {
    Q_OBJECT
public:
    // A child form lives inside the background window; a top-level one is a
    // separate window (sort dialogs, About, the compaction form ...).
    enum class Kind { Child, TopLevel };

    explicit Form(const QString& name, Kind kind = Kind::Child, QWidget* parent = nullptr);
    Kind kind() const { return m_kind; }
    int helpContext() const { return m_helpContext; }
    void setHelpContext(int n) { m_helpContext = n; }

    // The load handler: runs once, right after the form is constructed.
    virtual void onLoad() {}
    // The unload handler: runs when the form is unloaded, before it is destroyed.
    virtual void onUnload() {}

    // The window that holds the form: its MDI sub-window, or the form itself.
    QWidget* window_() const;
    // Top = (screen height - height) / 2, then Left = (screen width - width) / 2.
    void centreOnScreen();
    // Sets the caption of the form's window.
    void setCaption(const QString& caption);

    // Shorthand for the registry's operations on this form.
    void unloadMe();

    // Escape, when no control of the form uses it, closes the form as its
    // close box does.
    void setClosesOnEscape(bool on) { m_closesOnEscape = on; }

protected:
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    Kind m_kind;
    int m_helpContext = 0;
    bool m_closesOnEscape = false;
};

// A help context number carried by a control (F1 on it opens that topic).
void setHelpContext(QWidget* control, int context);
int helpContextOf(const QWidget* control);  // 0 when it has none

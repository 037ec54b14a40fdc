#pragma once
#include <QLineEdit>

// A text box with the entry behaviours of the forms: upper-cased when it loses
// the focus, text selected from the caret to the end when it gains it. Both run
// on every focus move, by the user or by the program.
class TextBox : public QLineEdit {
    Q_OBJECT
public:
    explicit TextBox(const QString& name, QWidget* parent = nullptr);
    void setUpperCaseOnLeave(bool on) { m_upper = on; }
    void setSelectOnEnter(bool on) { m_select = on; }
    bool upperCaseOnLeave() const { return m_upper; }
    bool selectOnEnter() const { return m_select; }
    // Offers these texts in a list under the box as the user types, without
    // regard to case; an empty list offers nothing.
    void setCompletions(const QStringList& texts);

signals:
    void entered();
    void left();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    bool m_upper = false;
    bool m_select = false;
};

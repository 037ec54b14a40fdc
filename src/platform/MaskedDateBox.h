#pragma once
#include <QDate>
#include <QLineEdit>
#include <QVariant>

// A masked date box. Without an input pattern it takes any text. With one
// ("##/##/####" or "99/99/9999") it takes eight digits with the separators
// fixed, in this computer's date order (DateText), and '_' in empty places;
// empty and without the focus it shows the order ("dd/mm/yyyy"). With the
// display format "ddddd" it shows its date in the short date form while it has
// no focus. A box given a date takes the pattern, so a stored date is retyped
// as a new one is.
class MaskedDateBox : public QLineEdit {
    Q_OBJECT
public:
    explicit MaskedDateBox(const QString& name, QWidget* parent = nullptr);

    void setInputPattern(const QString& pattern);  // "" removes it
    QString inputPattern() const { return m_pattern; }
    void setDisplayFormat(const QString& format);  // "" or "ddddd"
    QString displayFormat() const { return m_format; }

    // Remove the pattern, clear the text, set "##/##/####" and "ddddd".
    void reset();

    // The text as typed (with the pattern: "12/31/2026" under mm/dd/yyyy, or "__/__/____" when empty).
    QString typedText() const;
    // The date for binding: a null variant when empty, a QDate when the text names
    // a real day, otherwise the text itself (the database then refuses it).
    QVariant value() const;
    void setValue(const QVariant& v);


protected:
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    void showEditForm();
    void showDisplayForm();
    void showOrder();
    QString m_pattern;
    QString m_format;
    bool m_displaying = false;  // showing the short date instead of the pattern
    QString m_typed;             // typed text while the display form is shown
};

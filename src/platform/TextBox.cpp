#include "platform/TextBox.h"

#include <QFocusEvent>

TextBox::TextBox(const QString& name, QWidget* parent) : QLineEdit(parent) { setObjectName(name); }

void TextBox::focusInEvent(QFocusEvent* e) {
    QLineEdit::focusInEvent(e);
    if (m_select) {
        // Selection length = length of the text, from where the selection starts
        // (Tab has already selected the whole text, caret at its end) or the caret stands.
        const int start = hasSelectedText() ? selectionStart() : cursorPosition();
        setSelection(start, text().length());
        if (start == 0)
            selectAll();
    }
    emit entered();
}

void TextBox::focusOutEvent(QFocusEvent* e) {
    QLineEdit::focusOutEvent(e);
    if (m_upper) {
        const QString upper = text().toUpper();
        if (upper != text())
            setText(upper);
    }
    emit left();
}

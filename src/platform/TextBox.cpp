#include "platform/TextBox.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QFocusEvent>
#include <QStringListModel>

TextBox::TextBox(const QString& name, QWidget* parent) : QLineEdit(parent) { setObjectName(name); }

void TextBox::setCompletions(const QStringList& texts) {
    QCompleter* c = completer();
    if (texts.isEmpty()) {
        setCompleter(nullptr);
        return;
    }
    if (!c) {
        c = new QCompleter(this);
        c->setModel(new QStringListModel(c));
        c->setCaseSensitivity(Qt::CaseInsensitive);
        setCompleter(c);
        // Watched after the completer, so this filter sees the events first.
        installEventFilter(this);
    }
    static_cast<QStringListModel*>(c->model())->setStringList(texts);
}

bool TextBox::eventFilter(QObject* watched, QEvent* event) {
    // Leaving the box (Tab, a click elsewhere, the program) closes the list
    // first: the completer would otherwise keep the focus-out to itself and
    // the box would not be left as far as its behaviours go.
    if (watched == this && event->type() == QEvent::FocusOut &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason && completer() &&
        completer()->popup()->isVisible())
        completer()->popup()->hide();
    return QLineEdit::eventFilter(watched, event);
}

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

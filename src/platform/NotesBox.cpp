#include "platform/NotesBox.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QTextCursor>

#include "platform/Dialogs.h"

NotesBox::NotesBox(QWidget* parent) : QPlainTextEdit(parent) {
    // Text put in by any other way (clear(), setPlainText()) replaces the stored value.
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (m_storing || m_whole.isNull())
            return;
        m_whole = QString();
        setReadOnly(false);
        setToolTip(QString());
    });
}

void NotesBox::setStoredText(const QString& text) {
    if (m_limit > 0 && text.size() > m_limit) {
        m_storing = true;
        setPlainText(text.left(m_limit));
        m_storing = false;
        m_whole = text;
        setReadOnly(true);
        setToolTip(QStringLiteral("This note has %1 characters; its first %2 are shown. It is kept whole and cannot be "
                                  "changed here.").arg(text.size()).arg(m_limit));
        return;
    }
    m_whole = QString();
    setReadOnly(false);
    setToolTip(QString());
    setPlainText(text);
}

QString NotesBox::storedText() const { return m_whole.isNull() ? toPlainText() : m_whole; }

bool NotesBox::fits(int inserted) const {
    if (m_limit <= 0)
        return true;
    const int length = document()->characterCount() - 1;
    return length - int(textCursor().selectedText().size()) + inserted <= m_limit;
}

void NotesBox::keyPressEvent(QKeyEvent* e) {
    const bool newLine = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    const QString typed = newLine ? QStringLiteral("\n") : e->text();
    const bool printable = !typed.isEmpty() && (newLine || typed.at(0).isPrint()) && !(e->modifiers() & Qt::ControlModifier);
    if (printable && !isReadOnly() && !fits(int(typed.size()))) {
        Dialogs::beep();
        e->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(e);
}

void NotesBox::insertFromMimeData(const QMimeData* source) {
    if (source && source->hasText() && !fits(int(source->text().size()))) {
        Dialogs::beep();
        return;
    }
    QPlainTextEdit::insertFromMimeData(source);
}

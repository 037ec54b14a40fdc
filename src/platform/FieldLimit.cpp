#include "platform/FieldLimit.h"

#include <QLineEdit>
#include <QRegularExpression>

#include "platform/Dialogs.h"
#include "platform/NotesBox.h"

namespace FieldLimit {
namespace {

const char* const kProperty = "fieldLimit";

// Only the user's edits (textEdited) are looked at; the text last accepted is
// put back when one goes too far.
class LineLimit : public QObject {
public:
    LineLimit(QLineEdit* box, int limit) : QObject(box), m_limit(limit), m_accepted(box->text()) {
        connect(box, &QLineEdit::textChanged, this, [this, box] { m_accepted = box->text(); });
        connect(box, &QLineEdit::textEdited, this, [this, box](const QString& edited) {
            QString text = edited;
            int cursor = box->cursorPosition();
            if (text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'))) {
                // Pasted lines: the blank-free line breaks become one blank each;
                // breaks at either end of the pasted text are dropped.
                static const QRegularExpression breaks(QStringLiteral("[\\r\\n]+"));
                const int before = int(text.size());
                const int changedFrom = commonPrefix(m_accepted, text);
                QString pasted = text.mid(changedFrom, text.size() - commonSuffix(m_accepted, text, changedFrom) - changedFrom);
                const QString tail = text.mid(changedFrom + pasted.size());
                pasted = pasted.split(breaks, Qt::SkipEmptyParts).join(QLatin1Char(' '));
                text = text.left(changedFrom) + pasted + tail;
                cursor = qMax(0, cursor - (before - int(text.size())));
            }
            const int grown = int(text.size() - m_accepted.size());
            if (m_limit > 0 && text.size() > m_limit && grown > 0) {
                Dialogs::beep();
                const int back = box->cursorPosition() - int(edited.size() - m_accepted.size());
                box->setText(m_accepted);
                box->setCursorPosition(qMax(0, back));
                return;
            }
            if (text != edited) {
                box->setText(text);
                box->setCursorPosition(cursor);
            }
        });
    }
    int limit() const { return m_limit; }

private:
    static int commonPrefix(const QString& a, const QString& b) {
        int n = 0;
        while (n < a.size() && n < b.size() && a.at(n) == b.at(n))
            ++n;
        return n;
    }
    static int commonSuffix(const QString& a, const QString& b, int prefix) {
        int n = 0;
        while (n < a.size() - prefix && n < b.size() - prefix && a.at(a.size() - 1 - n) == b.at(b.size() - 1 - n))
            ++n;
        return n;
    }

    int m_limit;
    QString m_accepted;
};

}  // namespace

void apply(QWidget* box, int limit) {
    for (QObject* child : box->children())
        if (dynamic_cast<LineLimit*>(child))
            delete child;
    if (auto* notes = qobject_cast<NotesBox*>(box)) {
        notes->setLimit(limit);
    } else if (auto* line = qobject_cast<QLineEdit*>(box)) {
        new LineLimit(line, limit);
    } else {
        return;
    }
    box->setProperty(kProperty, limit);
}

int of(const QWidget* box) {
    const QVariant v = box->property(kProperty);
    return v.isValid() ? v.toInt() : -1;
}

}  // namespace FieldLimit

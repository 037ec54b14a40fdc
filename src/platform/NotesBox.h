#pragma once
#include <QPlainTextEdit>

// The box of a free-text field of several lines (Notes). Typing, pasting and
// dropping that would make the text longer than its limit are refused whole
// with a beep, before the text reaches the box. A stored value longer than
// the limit is shown by its first part only, read-only, and handed back whole:
// laying out a long line costs time that grows with the square of its length
// (a megabyte took minutes), and the box shows a few lines of it anyway.
class NotesBox : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit NotesBox(QWidget* parent = nullptr);
    // 0: no limit.
    void setLimit(int characters) { m_limit = characters; }
    int limit() const { return m_limit; }

    // The program's way in and out (the record navigator): a value is shown
    // and read back whole, however long.
    void setStoredText(const QString& text);
    QString storedText() const;
    // True while a stored value too long to show is shown in part.
    bool showsPart() const { return !m_whole.isNull(); }

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    bool fits(int inserted) const;

    int m_limit = 0;
    QString m_whole;  // the stored value while only its first part is shown
    bool m_storing = false;
};

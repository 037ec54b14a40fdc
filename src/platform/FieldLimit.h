#pragma once
class QWidget;

// What a one-line box (QLineEdit) bound to a field lets the user put into it:
// pasted lines are joined by a blank, never kept with their line breaks, and
// an edit that would make the text longer than the field's limit is refused
// whole with a beep, as typing past the end of a field is. A NotesBox takes
// the limit as its own. A longer value that the program itself puts into the
// box (a row read from the table) is shown whole and left alone.
namespace FieldLimit {

// limit 0: line breaks are still joined in a one-line box, the length is free.
// A box has one limit; applying another replaces it.
void apply(QWidget* box, int limit);

// The limit applied to the box, -1 when none was.
int of(const QWidget* box);

}  // namespace FieldLimit

#pragma once
class QWidget;

// A box whose value was refused (a code not in its table, a value the
// database would not store) is handed back for retyping: it gets the focus
// with its whole text selected, so what is typed next replaces it. The
// selection is made again when the focus actually arrives (after a message
// box, or a box that re-shows its text as it is entered).
namespace Retyping {
void offer(QWidget* box);
}

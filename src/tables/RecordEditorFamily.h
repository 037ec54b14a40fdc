#pragma once
#include <QList>
#include <QString>

// The six record editors differ only in what this table holds: their names,
// captions, tables, boxes and the few handlers some of them lack.
struct RecordEditorField {
    QString box;    // objectName of the text box
    QString labelName;  // objectName of its label
    QString field;  // bound field (names with a blank are allowed)
    QString label;  // text of the label to its left
    int maxLength;  // 0: no limit
};

struct RecordEditorSpec {
    QString form;
    QString caption;
    QString table;
    QList<RecordEditorField> fields;  // top to bottom, in tab order
    // The code field selects its text when it gains the focus.
    bool selectCodeOnEnter = false;
    // Add moves the focus to the first field (else it stays on the Add button).
    bool addFocusesFirstField = true;
    // Leaving any field upper-cases all of them (one shared handler), not just itself.
    bool upperCaseAllOnLeave = false;
    // The form handles the navigator's validate, reposition and error events;
    // without them the navigator keeps its caption and reports its own errors.
    bool handlesNavigatorEvents = true;
    // The help topic F1 opens.
    int helpContext = 20;
};

namespace RecordEditorFamily {
const QList<RecordEditorSpec>& members();
// nullptr when the name is not one of the family.
const RecordEditorSpec* find(const QString& form);
}  // namespace RecordEditorFamily

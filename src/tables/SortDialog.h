#pragma once
#include <QList>
#include <QStringList>

#include "platform/Form.h"

class QRadioButton;

// What one single-field sort dialog offers.
struct SortDialogSpec {
    QString name;      // "frmSortDefect"
    QString caption;
    QString browser;   // the table browser it sorts
    QStringList fieldCaptions;   // Option1 elements
    int preselectedField = -1;   // -1: no field chosen when loaded
    // SQL field per Option1 element; the last one also serves when the
    // selected element has none of its own, or when none is selected.
    QStringList sqlFields;
    QString helpText;
};

const QList<SortDialogSpec>& sortDialogFamily();
const SortDialogSpec* sortDialogSpec(const QString& name);

// A sort dialog of a table browser: one field and a direction. The choice lives
// in the option buttons only; the browser's sort operation reads it while the
// dialog is loaded (OK hides the dialog, sorts, then unloads it).
class SortDialog : public Form {
    Q_OBJECT
public:
    explicit SortDialog(const SortDialogSpec& member);
    void onLoad() override;

    const SortDialogSpec& member() const { return m_spec; }
    // Option groups by their number: 1 = fields, 2 = direction.
    bool isOptionSelected(int group, int element) const;
    void selectOption(int group, int element);
    int selectedField() const;  // -1 when none
    // The field the SQL order uses, and "ASC" or "DESC".
    QString sqlField() const;
    // Index into the fields whose SQL field is used (the last when none is selected).
    int sortedFieldIndex() const;
    QString sqlDirection() const;

private:
    void ok();
    void help();
    QRadioButton* option(int group, int element) const;

    SortDialogSpec m_spec;
    QList<QRadioButton*> m_fields;
    QList<QRadioButton*> m_directions;
};

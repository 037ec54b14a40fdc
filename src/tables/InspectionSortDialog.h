#pragma once
#include <QList>

#include "platform/Form.h"

class QComboBox;
class QRadioButton;

// frmSortInsp: up to three sort keys for the inspection records, each with a
// direction. The key boxes take only entries of their lists, so nothing typed
// ever reaches the statement.
class InspectionSortDialog : public Form {
    Q_OBJECT
public:
    InspectionSortDialog();
    void onLoad() override;

    // Key box 1 to 3.
    QComboBox* keyBox(int key) const;
    // Direction option of a key: element 0 "Ascending", 1 "Descending".
    QRadioButton* directionOption(int key, int element) const;

    // What follows "order by ": for each present key its name, a blank, ASC or
    // DESC and a blank; the later keys each preceded by a comma.
    QString orderByText() const;

    static QStringList firstKeyList();
    static QStringList thenByKeyList();

private:
    void ok();

    QList<QComboBox*> m_keys;
    QList<QList<QRadioButton*>> m_directions;
};

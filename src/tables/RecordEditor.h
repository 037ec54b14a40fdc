#pragma once
#include <QList>

#include "database/RecordNavigator.h"
#include "platform/Form.h"
#include "tables/RecordEditorFamily.h"

class QLabel;
class QPushButton;
class TextBox;

// A single-record editor of one reference table: bound boxes over the record
// navigator Data1 and the buttons Add, Delete, Refresh, Update and Close. The
// six editors are this one class, each built from its row of the family table.
class RecordEditor : public Form {
    Q_OBJECT
public:
    explicit RecordEditor(const RecordEditorSpec& member, QWidget* parent = nullptr);

    const RecordEditorSpec& member() const { return m_spec; }
    RecordNavigator* navigator() const { return m_data; }

    void onLoad() override;
    void onUnload() override;

private:
    void addRecord();
    void deleteRecord();
    void refreshRecords();
    void updateRecord();

    void onValidate(RecordNavigator::Action action, bool* save, bool* cancel);
    // Asked before the stored row is deleted, or its code changed, while
    // inspection rows name the code.
    bool confirmDelete();
    bool confirmCodeChange();
    void onReposition();
    void onNavigatorError(const QString& description, bool* handled);
    // A navigator failure met outside the arrows (opening, closing): reported
    // as the navigator's error event reports it.
    void reportNavigatorError(const QString& description);
    // A failure of one of the buttons: the description in a message box.
    void reportButtonError(const Status& s);
    // The focus-loss handler of the text boxes.
    void leaveField(TextBox* box);
    void leaveFocusedField();
    void pressButton(QPushButton* button);
    // Whether the table can be read now, without touching the navigator.
    Status probeTable() const;

    RecordEditorSpec m_spec;
    RecordNavigator* m_data;
    QList<TextBox*> m_boxes;
    QLabel* m_readOnly;
};

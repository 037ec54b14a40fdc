#pragma once
#include <functional>

#include <QHash>
#include <QVariant>

#include "database/Database.h"
#include "database/RecordNavigator.h"
#include "dataentry/ReworkCounter.h"
#include "platform/Form.h"

class AlarmBanner;
class MaskedDateBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class TextBox;

// The inspection data entry screen (frmDataEntry): one row of InspectionRecord
// at a time in bound boxes, with Pass and Submit Record for the daily work.
// It opens on a new row; the stored rows are behind it. Submit stores the row,
// numbers it with its rework number and prepares the next row: after a defect
// it asks whether the unit has another one, after a pass it goes on to the
// next unit. A stored row's unit (facility, model, serial, station, date) is
// changed only after the user confirmed it.
class DataEntryForm : public Form {
    Q_OBJECT
    Q_PROPERTY(QString ConnectString READ connectString)
public:
    // Counts the rows of a unit at a station up to the stored row, on the
    // connection and in the transaction that stored it; a failure ends the
    // count silently with what it reached.
    using ReworkCount = std::function<int(Database& db, const InspectedUnit& unit, qint64 inspectionId)>;

    // On a server, the longest a statement of the screen (a Submit's
    // included) waits for the server, in seconds: a locked table or a server
    // that does not answer ends in a message rather than a screen that waits on.
    static constexpr int kServerTimeLimit = 10;

    DataEntryForm();
    void onLoad() override;
    void onUnload() override;

    // The connection text of the count query, made anew on each read.
    QString connectString() const;
    // The count query is the default; the benchmark puts the full scan here.
    void setReworkCount(ReworkCount count) { m_reworkCount = std::move(count); }
    static int countWithQuery(Database& db, const InspectedUnit& unit, qint64 inspectionId);

    RecordNavigator* navigator() const { return m_nav; }
    AlarmBanner* alarmBanner() const { return m_banner; }

    // The buttons' actions.
    void add();
    void deleteRecord();
    void pass();
    void submit();

protected:
    // Ctrl+K acknowledges the open alarm from any box (a line edit would take it).
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // What Submit keeps of the row it stored.
    struct Kept {
        QString facility, model, serial, station, inspector;
        QVariant date;
    };

    void buildControls();
    void placeControls();
    TextBox* text(const char* name) const;
    MaskedDateBox* dateBox(int number) const;
    QPushButton* button(const char* name) const;
    void showPosition();
    void offerCodes();
    // The connection that reads the reference tables, open while the screen
    // is: on a server a new connection for every Submit would cost more than
    // storing the row. Null when the database cannot be opened.
    Database* codeReader();
    // Asks once about every code of the row that is not in its table; false
    // when the user said No (the focus is then on the first such box).
    bool confirmUnknownCodes();
    void giveFocus(QWidget* w);
    // Upper-cases the box being typed in, as leaving it would: the arrows take no focus.
    void leaveFocusedBox();
    // The unit as typed, and as the current stored row holds it.
    InspectedUnit typedUnit() const;
    InspectedUnit storedUnit() const;
    // Whether the boxes change the unit of the stored row shown.
    bool changesStoredUnit() const;
    // "Record 1 is the inspection of ... Change the stored record?"; No is remembered
    // for the row, so that Add then starts a new row with what was typed.
    bool confirmUnitChange();
    void onValidate(RecordNavigator::Action action, bool* save, bool* cancel);
    // Writes the boxes into the row with its rework number in one transaction;
    // a stored row moved to another unit renumbers the rows of both units.
    Status storeRow(int* rework);
    // On a server: stores the row, or keeps it at the station when the server
    // cannot be reached or rows typed earlier still wait (*kept: it went
    // through the outbox; *rework is the server's number once sent, else the
    // station's provisional one).
    Status storeOrKeep(int* rework, bool* kept);
    // Opens the navigator again after the screen opened without the server,
    // keeping what is typed.
    void reconnect();
    // The lines that say the server is away and how many rows wait.
    void showWaiting(int count);
    void sayServerAway(const QString& sentence);
    bool isPassRow() const;
    Status prepareAnotherDefect(const Kept& kept);
    Status prepareNextUnit(const Kept& kept);

    RecordNavigator* m_nav = nullptr;
    bool m_keepStored = false;   // the user said No to changing the stored row shown
    bool m_carryTyping = false;  // Add starts the new row with what was typed
    Database m_codes;
    QPlainTextEdit* m_notes = nullptr;
    QLabel* m_awayLine = nullptr;
    QLabel* m_offline = nullptr;
    QLabel* m_provisional = nullptr;
    QHash<QString, QWidget*> m_controls;
    ReworkCount m_reworkCount = &DataEntryForm::countWithQuery;
    AlarmBanner* m_banner = nullptr;
};

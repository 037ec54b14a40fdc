#pragma once
#include <QDate>
#include <QHash>
#include <QList>
#include <QTimer>

#include "database/Database.h"
#include "monitor/LineBoardData.h"
#include "platform/Form.h"

class QComboBox;
class QGridLayout;
class QLabel;
class LineBoardTile;

// The line board (frmLineBoard): today's tiles of every station of one
// facility, for a television at the line. It reads nothing but shows; it
// reads again whenever any station commits (ChangeWatcher) and when the day
// turns. F11 toggles full screen; the facility is picked in cboFacility
// (Alt+F, then the arrow keys); F5 reads again.
class LineBoardForm : public Form {
    Q_OBJECT
public:
    LineBoardForm();
    void onLoad() override;
    void onUnload() override;

    // The board alone (varnex --board): full screen, and closing it ends the program.
    static void setStandAlone(bool on);
    static bool isStandAlone();

    QString facility() const;
    QDate day() const { return m_day; }
    const QList<StationTile>& tiles() const { return m_tiles; }
    // Reads the board again; false when the database could not be read (the
    // board says so in its status line).
    bool refresh();
    void toggleFullScreen();

signals:
    void refreshed();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    Status read();
    void showTiles();
    void loadFacilities();
    void dayCheck();

    Database m_db;
    QDate m_day;
    QList<StationTile> m_tiles;
    LineBoardData::History m_history;
    QHash<QString, QString> m_defectNames;
    QComboBox* m_facility;
    QLabel* m_today;
    QLabel* m_status;
    QLabel* m_empty;
    QWidget* m_area;
    QGridLayout* m_grid;
    QList<LineBoardTile*> m_tileWidgets;
    QTimer m_dayTimer;
};

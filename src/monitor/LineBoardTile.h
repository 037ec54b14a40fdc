#pragma once
#include <QWidget>

#include "monitor/LineBoardData.h"

// One station on the line board, drawn to be read across a hall: the
// station, its units and first pass yield in large type, its p against its
// UCL as a bar (green up to p-bar, amber up to the UCL, red above it), its
// three most frequent defects and its open alarm as a red band. The type
// grows with the tile.
class LineBoardTile : public QWidget {
    Q_OBJECT
public:
    explicit LineBoardTile(QWidget* parent = nullptr);
    void setTile(const StationTile& tile, const QHash<QString, QString>& defectNames);
    const StationTile& tile() const { return m_tile; }

    // The colours of the bar, by where p stands.
    static QColor barColour(const StationTile& tile);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    StationTile m_tile;
    QHash<QString, QString> m_names;
};

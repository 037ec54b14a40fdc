#pragma once
#include "platform/Status.h"

class QPagedPaintDevice;

// The data collection sheet as it goes to paper: a landscape form with the
// plant's name, lines for date, facility, station and inspector, and ruled rows
// tall enough to write in, one per passed unit or per defect found, with a
// wide Notes column. Help topic 50 shows it on screen; printing that topic
// prints this.
namespace DataCollectionSheet {
// The plant whose sheet this is.
QString plantName();
// Lays the device out for the sheet (this computer's paper, landscape, margins).
void setUpPage(QPagedPaintDevice* device);
// Paints one page on a device that has begun no painter yet.
Status paint(QPagedPaintDevice* device);
Status writePdf(const QString& path);
}  // namespace DataCollectionSheet

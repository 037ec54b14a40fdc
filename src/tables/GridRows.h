#pragma once
#include <QList>
#include <QStringList>
#include <QVariant>

#include "platform/Status.h"

class RecordSet;

// The rows of a grid's record set in its order, each value typed as the
// database holds it, with the date fields (ISO text) as dates: what printing
// and exporting a grid hand on.
namespace GridRows {
Status read(RecordSet* rs, const QStringList& dateFields, QList<QVariantList>* rows);
}

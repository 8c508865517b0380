#pragma once
// The station's records and events as JSON (the field names are documented in the README) and
// its records as CSV, for line software.

#include "station/StationEngine.h"
#include "station/StationRecord.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QStringList>

namespace relvane {

QJsonObject RecordJson(const ModuleRecord& record);
// One line of JSON Lines, without its line end.
QByteArray EventJsonLine(const StationEvent& event);

// The CSV header and one row per record: the run's fields, then result, message and duration
// of each step in the fixed step order (empty for steps not run). Fields are quoted as RFC 4180
// wants.
QString RecordCsvHeader();
QString RecordCsvRow(const ModuleRecord& record);

}  // namespace relvane

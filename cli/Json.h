#pragma once
// The command line's machine-readable output (--json): one JSON document per command, or one
// JSON line per event for the commands that stream. Field names are documented in the README.

#include "cli/StatusTable.h"
#include "config/ConfigDiff.h"
#include "protocol/MessageCatalogue.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

namespace relvane::cli {

QJsonObject FieldJson(const ConfigField& field);
QJsonObject DifferenceJson(const ConfigDifference& difference);
// Values that did not arrive are null.
QJsonObject StatusJson(const LiveSnapshot& snapshot);
// identifier, data as hexadecimal, the names of the CAN inputs it concerns.
QJsonObject CanMessageJson(const CanMonitorMessage& message, const QString& time, const QStringList& names);

// Compact, one line.
QString JsonLine(const QJsonObject& object);
QString JsonLine(const QJsonArray& array);

}  // namespace relvane::cli

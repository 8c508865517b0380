#pragma once
// The two line formats of the CAN monitor: the window's own text line, and the candump log
// line that SocketCAN's can-utils and common CAN tools read.

#include "can/Dbc.h"
#include "config/ConfigModel.h"
#include "protocol/MessageCatalogue.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTime>

#include <optional>

namespace relvane::cli {

inline constexpr const char* CANDUMP_INTERFACE = "relvane";

// "(1733740800.123456) relvane 00A#0102": seconds and microseconds since the epoch, the
// interface, the identifier (three hexadecimal digits for a standard identifier up to 0x7FF,
// eight for a larger one) and the data bytes, all upper case.
QString CandumpLine(const CanMonitorMessage& message, qint64 microsecondsSinceEpoch,
                    const QString& interface = QLatin1String(CANDUMP_INTERFACE));

// "14:03:07.045> ID= 1A5, Data= 01 FF, Brake, Horn": the monitor's line, naming every CAN input
// whose on or off identifier is the message's (none for identifier 0). Without a model no names.
// With a CAN database that knows the message, its signals follow: " | Engine: Speed=12.5 km/h".
QString MonitorTextLine(const CanMonitorMessage& message, const QTime& time, const ConfigModel* names,
                        const DbcDatabase* database = nullptr);

// The names of the CAN inputs whose on or off identifier is the message's, in CAN input order.
QStringList CanInputNames(const CanMonitorMessage& message, const ConfigModel* names);

// The monitor selection of --mode: "off" 0, "active" 1, "all" 2, a CAN input 1 to 32 gives 3 to
// 34. Nothing for anything else.
std::optional<int> MonitorSelection(const QString& text);

}  // namespace relvane::cli

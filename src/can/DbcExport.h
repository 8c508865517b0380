#pragma once
// A configuration's CAN traffic as a CAN database, for the dash or logger that reads the
// module's messages and for tools that look at what it receives: the enabled CAN exports as the
// messages node "Relvane" sends, and the CAN inputs as the messages it receives.

#include "can/Dbc.h"
#include "config/ConfigModel.h"

namespace relvane {

inline constexpr const char* kDbcModuleNode = "Relvane";

// Export 1 carries each current in one byte as the module's tenths of an ampere divided by 4,
// so one step is 0.4 A and a byte reaches 102 A (the channels are limited to 90 A). The
// module's documentation does not fix this; the file's comments say it.
inline constexpr double kExport1AmperesPerStep = 0.4;
// The row counter value (byte 0) of export 1's row 1; rows count up from it ("Counter 01").
inline constexpr int kExport1FirstRow = 1;

struct DbcExportResult {
    DbcDatabase database;
    // What could not go into the file as configured (an identifier used twice, a byte pair
    // that is not side by side), one sentence each.
    QStringList notes;
};

// source: what the configuration came from (a file name), for the file's comment.
DbcExportResult ExportCanDatabase(const ConfigModel& model, const QString& source = {});

}  // namespace relvane

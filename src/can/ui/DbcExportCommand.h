#pragma once
// File -> "Export CAN database…": the configuration shown written as a CAN database.

#include "config/ConfigModel.h"
#include "config/Dialogs.h"

namespace relvane {

// Asks where (proposing the last configuration file's name with .dbc), asks before replacing a
// file, writes the configuration's CAN traffic and says what could not go into it. The path
// written, or empty when nothing was.
QString ExportCanDatabaseClick(const ConfigModel& model, Dialogs& dialogs, const QString& lastConfigPath);

}  // namespace relvane

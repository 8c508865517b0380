#pragma once
// The fields where two configurations differ, grouped by the notebook page that edits them,
// each with the place of its control, so the compare window can list them page by page and
// take the user to the control a row names.

#include "config/ConfigDiff.h"

#include <QList>
#include <QString>

namespace relvane {

class ConfigModel;

// Notebook page indices of the main window, for the pages that edit configuration fields. The
// main window's own page numbering is checked against these where the two meet.
namespace ComparePage {
inline constexpr int Diagnostic = 1;
inline constexpr int Inputs = 2;
inline constexpr int CanInputs = 3;
inline constexpr int VirtualInputs = 4;
inline constexpr int CanExport = 5;
inline constexpr int Outputs = 6;
inline constexpr int FlashWiper = 7;
inline constexpr int LowBattery = 8;
inline constexpr int StartKill = 9;
inline constexpr int LowCurrent = 10;
// Fields no page shows: carried between module, file and model only.
inline constexpr int None = -1;
}  // namespace ComparePage

// How a read of the module into a scratch model ended.
enum class ModuleReadResult {
    Complete,    // every block arrived
    NotStarted,  // not connected, a failed version check, or a transfer already running
    Incomplete,  // cancelled or timed out part way: what arrived is not a configuration
};

// Where the control of a field is.
struct FieldLocation {
    int page = ComparePage::None;
    // The page's channel selector (a list of CAN inputs, virtual inputs or flash functions) and
    // the entry to select in it (from 0); empty and -1 when the page shows every channel at once.
    QString selector;
    int selectorRow = -1;
    // The control's objectName; empty when no page shows the field.
    QString control;
    // For list controls (the output tick lists): the row of the entry that differs, else -1.
    int controlRow = -1;

    bool operator==(const FieldLocation&) const = default;
};

// The control of a field of ConfigFields(). otherValue is the value on the other side; it picks
// the entry of the fields that one control shows several bits of (the NOT boxes of a virtual
// input, the output slots of a flash function).
FieldLocation LocateField(const ConfigField& field, const QString& otherValue = QString());

struct CompareRow {
    ConfigDifference difference;
    FieldLocation location;
};

struct CompareGroup {
    int page = ComparePage::None;
    QList<CompareRow> rows;  // in file order
};

// The box name travels with the module but is not part of a configuration file; as a field it
// is listed under this key.
QString BoxNameKey();  // "Box name"

// The differences of shown against other, grouped by page in notebook order, the fields no page
// shows last. withBoxName also compares the box names (both sides came from modules or the
// window; a file holds none). Empty when the configurations are the same.
QList<CompareGroup> CompareConfigs(const ConfigModel& shown, const ConfigModel& other, bool withBoxName);

// "3 fields differ", "1 field differs", "The configurations are the same".
QString CompareSummaryText(const QList<CompareGroup>& groups);

// The field column's text: the key without its channel number ("TRIGGER"), or the key itself
// where the number is part of the name.
QString FieldText(const ConfigField& field);
// The channel column's text: "Output 5 "Headlight"", both names when they differ.
QString ChannelText(const ConfigDifference& difference);

// A field's file value as its control shows it, with the names of model (the side the value
// comes from): a trigger code as its source ("3: Ignition"), tenths as "12.5", a CAN identifier
// in hexadecimal, a list position as its entry. Other values are shown as the file holds them.
QString ValueText(const ConfigField& field, const QString& value, const ConfigModel& model);

}  // namespace relvane

#pragma once
// Every field of a configuration by what its page calls it: the label a compare row and an undo
// step show ("Max current", "CAN ID ON"), the field a file key stands for, and the field a
// change altered. A field of a list (an output tick list, a flash output slot, a CAN export
// entry) is one entry of it.

#include "config/ConfigDelta.h"

#include <QList>
#include <QString>

#include <optional>

namespace relvane {

struct FieldSpot {
  RecordSlot slot;
  int field = -1;    // the field's place in its record's field table
  int element = -1;  // the entry of a list field; -1 for other fields
  bool operator==(const FieldSpot&) const = default;
};

// The field a configuration file's key holds ("OUTPUT", "DELAY5"); the box name is section ""
// and key BoxNameKey() ("Box name"). Nothing for a key that holds no field of the model (the
// output lists' counts) or that the file does not have.
std::optional<FieldSpot> FieldOfKey(const QString& section, const QString& key);

// What the page calls the field: "Max current", "Disable output", "Data byte 2 bit 5".
QString FieldLabel(const FieldSpot& spot);
// The label of a file key, or the key itself for one that holds no field.
QString FieldLabel(const QString& section, const QString& key);

// Copies one field (or one entry of a list field) from `from` into `into`.
void CopyField(ConfigModel& into, const ConfigModel& from, const FieldSpot& spot);

// The first field in record order where a change's before and after differ.
std::optional<FieldSpot> FirstChangedField(const RecordChange& change);

// The name of an undo step: the first changed field and its channel, "Delay CH5", "Name Input 3",
// "Disable output CH7", "CAN ID ON CAN input 2", "Low threshold".
QString ChangeName(const ConfigDelta& delta);

// Exact texts of whole fields, for the files that must give back exactly what the model held
// where a configuration file cannot (an empty number, nothing selected, blanks around a name).
// Keys read "Output.5.DELAY"; lists are one field.
struct ExactField {
  QString key;
  QByteArray value;
};
// The fields of `model` that a configuration file read back (`fromFile`) does not hold exactly.
QList<ExactField> ExactFieldsDiffering(const ConfigModel& model, const ConfigModel& fromFile);
// Sets one field from its exact text; false for a key or text that does not read.
bool SetExactField(ConfigModel& model, const QString& key, const QByteArray& value);

}  // namespace relvane

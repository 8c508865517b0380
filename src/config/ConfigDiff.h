#pragma once
// A configuration as a flat list of fields, in the order a configuration file holds them, and
// the fields where two configurations differ. Used by the command line's "config show",
// "config diff" and "diff", and meant for the window's "Compare configuration".

#include <QList>
#include <QString>

namespace relvane {

class ConfigModel;

// One field of a configuration file.
struct ConfigField {
  QString section;      // "OUTPUT"
  QString key;          // the file key, "TRIGGER5"
  QString field;        // the key without its channel number, "TRIGGER"
  QString channel;      // what the number refers to, "Output 5"; empty for block-wide fields
  QString channelName;  // that channel's name in the configuration, "Headlight"; may be empty
  QString value;        // the value as the file writes it
};

// Every field the configuration file holds, in file order, with the values a file saved from
// this model would have. The box name is not part of a file and not listed.
QList<ConfigField> ConfigFields(const ConfigModel& model);

struct ConfigDifference {
  ConfigField field;  // section, key, channel and value from the first configuration
  QString otherValue;  // the value in the second configuration
  QString otherChannelName;
};

// The fields whose values differ, in file order. Empty when the configurations would save alike.
QList<ConfigDifference> DiffConfigs(const ConfigModel& a, const ConfigModel& b);

// "OUTPUT TRIGGER5 (Output 5 "Headlight") = 12"
QString FieldLine(const ConfigField& field);
// "OUTPUT TRIGGER5 (Output 5 "Headlight"): 12 -> 14"; a name that differs shows both names.
QString DifferenceLine(const ConfigDifference& difference);

}  // namespace relvane

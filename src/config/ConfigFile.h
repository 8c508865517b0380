#pragma once
// Configuration files (.cfg): one ConfigModel in an INI file, one section per block, keys in the
// order of the blocks' fields. Messages are returned to the caller; the core shows nothing.

#include <QString>

namespace relvane {

class ConfigModel;
class IniFile;

// The path with its extension replaced by ".cfg", or ".cfg" appended when the file name has none.
QString ConfigFilePath(const QString& path);

// Reads ConfigFilePath(path) into the model, every field from its key or, where the key is absent
// or unreadable, from the key's default; empties the box name. One change notification per block.
// A file that does not exist is no error (every field takes its default). A file that exists but
// cannot be read changes nothing and returns false with "Unable to read <path>" in *error.
bool LoadConfigFile(ConfigModel& model, const QString& path, QString* error = nullptr);

// Writes the whole model to ConfigFilePath(path), replacing the file atomically: on failure the
// file that was there is left as it was and *error holds "Unable to create file: '<path>'" or
// "Unable to write to <path>" (full path).
bool SaveConfigFile(const ConfigModel& model, const QString& path, QString* error = nullptr);

// The same, in memory.
void ReadConfig(ConfigModel& model, const IniFile& ini);
void WriteConfig(const ConfigModel& model, IniFile& ini);

}  // namespace relvane

#pragma once
// The program settings file next to the executable: window placement and the last
// configuration folder, read at start-up and written at shutdown.

#include <QString>

namespace relvane {

struct ProgramSettings {
    int top = 48;
    int left = 291;
    int width = 990;
    bool initMax = false;
    QString configPath;  // [CONFIG] PATH; the current directory when absent
};

// The executable's path with its extension replaced by ".INI" ("RelvaneTool.exe" gives
// "RelvaneTool.INI", "relvane-tool" gives "relvane-tool.INI").
QString ProgramSettingsPath(const QString& executablePath);

// Reads the file; a missing file, key or unreadable value gives the default.
ProgramSettings ReadProgramSettings(const QString& path, const QString& currentDirectory);

// Writes sections Form and CONFIG, keeping every other section and key of the file
// (the firmware windows keep theirs there). The file is replaced atomically, so a failed
// write leaves the old file whole. False when it could not be written.
bool WriteProgramSettings(const QString& path, const ProgramSettings& settings);

} // namespace relvane

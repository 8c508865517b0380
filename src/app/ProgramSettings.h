#pragma once
// The program settings file next to the executable (or, when that folder cannot be
// written, in the user's configuration folder): window placement and the last
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

// Where the settings file is kept: ProgramSettingsPath(executablePath) while the
// executable's folder is writable; otherwise the same file name in the user's
// configuration folder, xdgConfigHome/relvane when that is an absolute path, else
// homePath/.config/relvane. Without either it stays next to the executable.
QString ChooseProgramSettingsPath(const QString& executablePath, bool executableFolderWritable,
                                  const QString& xdgConfigHome, const QString& homePath);

// Whether this user may keep the settings file next to the executable: the folder
// accepts new files (a read-only mount does not). For the superuser, who may write
// anywhere, only when the file is already there, so a tool started as root from
// /usr/bin leaves nothing in a folder the package manager owns.
bool ExecutableFolderWritable(const QString& executablePath);

// ChooseProgramSettingsPath with the folder probed and $XDG_CONFIG_HOME and $HOME read
// from the environment: the path the program uses.
QString ProgramSettingsLocation(const QString& executablePath);

// Reads the file; a missing file, key or unreadable value gives the default.
ProgramSettings ReadProgramSettings(const QString& path, const QString& currentDirectory);

// Writes sections Form and CONFIG, keeping every other section and key of the file
// (the firmware windows keep theirs there). The file is replaced atomically, so a failed
// write leaves the old file whole; a missing folder is created first (the user's
// configuration folder may not exist yet). False when it could not be written.
bool WriteProgramSettings(const QString& path, const ProgramSettings& settings);

} // namespace relvane

#include "app/ProgramSettings.h"

#include "config/IniFile.h"

#include <QFileInfo>

namespace relvane {

namespace {
const QString kForm = QStringLiteral("Form");
const QString kConfig = QStringLiteral("CONFIG");
} // namespace

QString ProgramSettingsPath(const QString& executablePath)
{
    const QFileInfo info(executablePath);
    const QString name = info.fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString base = dot > 0 ? name.left(dot) : name;
    const QString dir = executablePath.left(executablePath.size() - name.size());
    return dir + base + QStringLiteral(".INI");
}

ProgramSettings ReadProgramSettings(const QString& path, const QString& currentDirectory)
{
    ProgramSettings s;
    s.configPath = currentDirectory;
    IniFile ini;
    // An unreadable file counts as an absent one: every key gets its default.
    if (!ini.Load(path))
        return s;
    s.top = ini.ReadInteger(kForm, QStringLiteral("Top"), s.top);
    s.left = ini.ReadInteger(kForm, QStringLiteral("Left"), s.left);
    s.width = ini.ReadInteger(kForm, QStringLiteral("Width"), s.width);
    s.initMax = ini.ReadBool(kForm, QStringLiteral("InitMax"), s.initMax);
    s.configPath = ini.ReadString(kConfig, QStringLiteral("PATH"), s.configPath);
    return s;
}

bool WriteProgramSettings(const QString& path, const ProgramSettings& s)
{
    IniFile ini;
    // Keep what others keep in the file (the firmware windows' last files); a file that
    // cannot be read is not overwritten, so those values are not lost either.
    if (!ini.Load(path))
        return false;
    ini.WriteInteger(kForm, QStringLiteral("Top"), s.top);
    ini.WriteInteger(kForm, QStringLiteral("Left"), s.left);
    ini.WriteInteger(kForm, QStringLiteral("Width"), s.width);
    ini.WriteBool(kForm, QStringLiteral("InitMax"), s.initMax);
    ini.WriteString(kConfig, QStringLiteral("PATH"), s.configPath);
    return ini.Save(path);
}

} // namespace relvane

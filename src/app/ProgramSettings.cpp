#include "app/ProgramSettings.h"

#include "config/IniFile.h"

#include <QDir>
#include <QFileInfo>

#include <fcntl.h>
#include <unistd.h>

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

QString ChooseProgramSettingsPath(const QString& executablePath, bool executableFolderWritable,
                                  const QString& xdgConfigHome, const QString& homePath)
{
    const QString beside = ProgramSettingsPath(executablePath);
    if (executableFolderWritable)
        return beside;
    // A relative XDG_CONFIG_HOME is invalid and ignored, as every XDG program does.
    QString base;
    if (!xdgConfigHome.isEmpty() && QDir::isAbsolutePath(xdgConfigHome))
        base = xdgConfigHome;
    else if (!homePath.isEmpty() && QDir::isAbsolutePath(homePath))
        base = homePath + QStringLiteral("/.config");
    else
        return beside;
    return QDir::cleanPath(base + QStringLiteral("/relvane/") + QFileInfo(beside).fileName());
}

bool ExecutableFolderWritable(const QString& executablePath)
{
    const QString folder = QFileInfo(executablePath).absolutePath();
    const QByteArray native = QFile::encodeName(folder);
    // Creating a file there needs write and search permission on the folder.
    if (::faccessat(AT_FDCWD, native.constData(), W_OK | X_OK, AT_EACCESS) != 0)
        return false;
    if (::geteuid() == 0)
        return QFileInfo::exists(ProgramSettingsPath(executablePath));
    return true;
}

QString ProgramSettingsLocation(const QString& executablePath)
{
    return ChooseProgramSettingsPath(executablePath, ExecutableFolderWritable(executablePath),
                                     qEnvironmentVariable("XDG_CONFIG_HOME"),
                                     qEnvironmentVariable("HOME"));
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
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return false;
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

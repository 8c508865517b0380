#pragma once
// The station's recipe: an INI file whose sections are the steps to run on every module, in a
// fixed order when present, and the station's own settings. Everything is checked before the
// first module: an unknown section or key, a bad value, a missing or unreadable file is refused
// with the line it is on.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace relvane {

// The steps in the order they run; "connect" is the module's first answer, always run.
inline const QStringList kStationSteps = {QStringLiteral("connect"), QStringLiteral("firmware"),
                                          QStringLiteral("compare"), QStringLiteral("config"),
                                          QStringLiteral("system"),  QStringLiteral("ping"),
                                          QStringLiteral("reboot")};

struct Recipe {
    QString path;  // absolute

    // [station]
    QString stationName;
    QString operatorName;
    QString database;  // empty: the local SQLite file; a path; or a postgresql:// URI
    bool fastLink = false;

    // [firmware]
    bool firmware = false;
    QString firmwareFile;  // absolute
    QString firmwareSha256;
    bool compare = true;

    // [config]
    bool config = false;
    QString configFile;  // absolute
    QString configSha256;

    // [system]
    bool system = false;
    bool askSerial = false;
    qint64 serialStart = 0;
    int hardwareVersion = 0;

    // [ping]
    bool ping = false;
    int pingCount = 10;
    int pingIntervalMs = 100;
    int pingMaxErrors = 0;

    // [reboot]
    bool reboot = false;

    // The steps this recipe runs, "connect" first.
    QStringList Steps() const;
};

// Reads and checks a recipe. On a fault returns nothing and puts "FILE:LINE: what" (or "FILE:
// what") into *error.
std::optional<Recipe> LoadRecipe(const QString& path, QString* error);
std::optional<Recipe> ParseRecipe(const QByteArray& text, const QString& path, QString* error);

// The SHA-256 of a file's bytes, as lower-case hexadecimal; empty when it cannot be read.
QString FileSha256(const QString& path);

// The largest serial number the module holds (a signed 32-bit field).
inline constexpr qint64 kMaxSerial = 2147483647;

}  // namespace relvane

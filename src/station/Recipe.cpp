#include "station/Recipe.h"

#include "config/ConfigFile.h"
#include "config/ConfigModel.h"
#include "firmware/ErrorMsg.h"
#include "firmware/FirmwareUpdate.h"
#include "firmware/HEXFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSysInfo>
#include <QSet>

namespace relvane {

QStringList Recipe::Steps() const {
    QStringList s{QStringLiteral("connect")};
    if (firmware) s << QStringLiteral("firmware");
    if (firmware && compare) s << QStringLiteral("compare");
    if (config) s << QStringLiteral("config");
    if (system) s << QStringLiteral("system");
    if (ping) s << QStringLiteral("ping");
    if (reboot) s << QStringLiteral("reboot");
    return s;
}

QString FileSha256(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&f)) return {};
    return QString::fromLatin1(hash.result().toHex());
}

namespace {

const QHash<QString, QStringList>& KnownKeys() {
    static const QHash<QString, QStringList> keys{
        {QStringLiteral("station"), {QStringLiteral("name"), QStringLiteral("operator"), QStringLiteral("database"), QStringLiteral("fast_link")}},
        {QStringLiteral("firmware"), {QStringLiteral("file"), QStringLiteral("compare")}},
        {QStringLiteral("config"), {QStringLiteral("file")}},
        {QStringLiteral("system"), {QStringLiteral("serial_start"), QStringLiteral("serial"), QStringLiteral("hardware_version")}},
        {QStringLiteral("ping"), {QStringLiteral("count"), QStringLiteral("interval_ms"), QStringLiteral("max_errors")}},
        {QStringLiteral("reboot"), {}},
    };
    return keys;
}

struct Entry {
    QString value;
    int line = 0;
};

class Reader {
public:
    Reader(QString path, QString* error) : path_(std::move(path)), error_(error) {}

    bool Fail(int line, const QString& what) {
        if (error_) *error_ = line > 0 ? QStringLiteral("%1:%2: %3").arg(path_).arg(line).arg(what)
                                       : QStringLiteral("%1: %2").arg(path_, what);
        return false;
    }

    bool Parse(const QByteArray& text) {
        QString section;
        int n = 0;
        for (QByteArray raw : text.split('\n')) {
            ++n;
            const QString line = QString::fromUtf8(raw).trimmed();
            if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#'))) continue;
            if (line.startsWith(QLatin1Char('['))) {
                if (!line.endsWith(QLatin1Char(']'))) return Fail(n, QStringLiteral("a section line ends with ]"));
                section = line.mid(1, line.size() - 2).trimmed().toLower();
                if (!KnownKeys().contains(section))
                    return Fail(n, QStringLiteral("unknown section [%1]; known: %2").arg(section, SectionList()));
                if (sections_.contains(section)) return Fail(n, QStringLiteral("section [%1] given twice").arg(section));
                sections_.insert(section, n);
                continue;
            }
            const qsizetype eq = line.indexOf(QLatin1Char('='));
            if (eq <= 0) return Fail(n, QStringLiteral("expected KEY=VALUE, [SECTION], or a comment (; or #)"));
            if (section.isEmpty()) return Fail(n, QStringLiteral("a key before the first section"));
            const QString key = line.left(eq).trimmed().toLower();
            QString value = line.mid(eq + 1).trimmed();
            if (value.size() >= 2 && (value.startsWith(QLatin1Char('"')) || value.startsWith(QLatin1Char('\''))) &&
                value.endsWith(value.front()))
                value = value.mid(1, value.size() - 2);
            if (!KnownKeys().value(section).contains(key)) {
                const QStringList known = KnownKeys().value(section);
                return Fail(n, QStringLiteral("unknown key \"%1\" in [%2]; known: %3")
                                   .arg(key, section, known.isEmpty() ? QStringLiteral("none") : known.join(QStringLiteral(", "))));
            }
            const QString id = section + QLatin1Char('/') + key;
            if (entries_.contains(id)) return Fail(n, QStringLiteral("key \"%1\" given twice in [%2]").arg(key, section));
            entries_.insert(id, {value, n});
        }
        return true;
    }

    bool Has(const QString& section) const { return sections_.contains(section); }
    int SectionLine(const QString& section) const { return sections_.value(section); }
    std::optional<Entry> Get(const QString& section, const QString& key) const {
        const QString id = section + QLatin1Char('/') + key;
        if (!entries_.contains(id)) return std::nullopt;
        return entries_.value(id);
    }

    // A whole number in [lo, hi]; fallback when absent.
    bool Number(const QString& section, const QString& key, qint64 lo, qint64 hi, qint64 fallback, qint64* out) {
        const auto e = Get(section, key);
        if (!e) {
            *out = fallback;
            return true;
        }
        bool ok = false;
        const qint64 v = e->value.toLongLong(&ok);
        if (!ok || v < lo || v > hi)
            return Fail(e->line, QStringLiteral("%1= takes a whole number from %2 to %3, not \"%4\"").arg(key).arg(lo).arg(hi).arg(e->value));
        *out = v;
        return true;
    }

    // A file relative to the recipe's folder that exists and can be read.
    bool File(const QString& section, const QString& dir, QString* out) {
        const auto e = Get(section, QStringLiteral("file"));
        if (!e || e->value.isEmpty()) return Fail(SectionLine(section), QStringLiteral("[%1] needs file=").arg(section));
        const QString path = QDir::cleanPath(QDir(dir).absoluteFilePath(e->value));
        const QFileInfo info(path);
        if (!info.exists()) return Fail(e->line, QStringLiteral("no file %1").arg(path));
        if (!info.isFile()) return Fail(e->line, QStringLiteral("%1 is no file").arg(path));
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) return Fail(e->line, QStringLiteral("%1 cannot be read: %2").arg(path, f.errorString()));
        *out = path;
        return true;
    }

    int LineOf(const QString& section, const QString& key) const {
        const auto e = Get(section, key);
        return e ? e->line : SectionLine(section);
    }

private:
    static QString SectionList() {
        return QStringLiteral("[station], [firmware], [config], [system], [ping], [reboot]");
    }

    QString path_;
    QString* error_;
    QHash<QString, int> sections_;
    QHash<QString, Entry> entries_;
};

}  // namespace

std::optional<Recipe> ParseRecipe(const QByteArray& text, const QString& path, QString* error) {
    Reader r(path, error);
    if (!r.Parse(text)) return std::nullopt;
    Recipe recipe;
    recipe.path = QFileInfo(path).absoluteFilePath();
    const QString dir = QFileInfo(recipe.path).absolutePath();
    const QString S = QStringLiteral("station");

    recipe.stationName = r.Get(S, QStringLiteral("name")).value_or(Entry{}).value;
    if (recipe.stationName.isEmpty()) recipe.stationName = QSysInfo::machineHostName();
    recipe.operatorName = r.Get(S, QStringLiteral("operator")).value_or(Entry{}).value;
    recipe.database = r.Get(S, QStringLiteral("database")).value_or(Entry{}).value;
    qint64 v = 0;
    if (!r.Number(S, QStringLiteral("fast_link"), 0, 1, 0, &v)) return std::nullopt;
    recipe.fastLink = v != 0;

    const QString F = QStringLiteral("firmware");
    if (r.Has(F)) {
        recipe.firmware = true;
        if (!r.File(F, dir, &recipe.firmwareFile)) return std::nullopt;
        if (!r.Number(F, QStringLiteral("compare"), 0, 1, 1, &v)) return std::nullopt;
        recipe.compare = v != 0;
        // Refused now rather than on the first module.
        try {
            HEXFile image(FirmwareUpdate::IMAGE_SIZE, FirmwareUpdate::FILL);
            image.Read(recipe.firmwareFile);
            if (image.start > image.end) {
                r.Fail(r.LineOf(F, QStringLiteral("file")), QStringLiteral("%1 holds no data").arg(recipe.firmwareFile));
                return std::nullopt;
            }
        } catch (const ErrorMsg& e) {
            r.Fail(r.LineOf(F, QStringLiteral("file")), QStringLiteral("%1: %2").arg(recipe.firmwareFile, e.Message()));
            return std::nullopt;
        }
        recipe.firmwareSha256 = FileSha256(recipe.firmwareFile);
    } else if (r.Get(F, QStringLiteral("compare"))) {
        return std::nullopt;  // unreachable: keys need their section
    }

    const QString C = QStringLiteral("config");
    if (r.Has(C)) {
        recipe.config = true;
        if (!r.File(C, dir, &recipe.configFile)) return std::nullopt;
        ConfigModel model;
        QString loadError;
        if (!LoadConfigFile(model, recipe.configFile, &loadError)) {
            r.Fail(r.LineOf(C, QStringLiteral("file")), loadError);
            return std::nullopt;
        }
        recipe.configSha256 = FileSha256(recipe.configFile);
    }

    const QString Y = QStringLiteral("system");
    if (r.Has(Y)) {
        recipe.system = true;
        const auto start = r.Get(Y, QStringLiteral("serial_start"));
        const auto ask = r.Get(Y, QStringLiteral("serial"));
        if (start && ask) {
            r.Fail(ask->line, QStringLiteral("give serial_start= or serial=ask, not both"));
            return std::nullopt;
        }
        if (ask) {
            if (ask->value.toLower() != QLatin1String("ask")) {
                r.Fail(ask->line, QStringLiteral("serial= takes only \"ask\" (or use serial_start=)"));
                return std::nullopt;
            }
            recipe.askSerial = true;
        } else if (start) {
            if (!r.Number(Y, QStringLiteral("serial_start"), 0, kMaxSerial, 0, &recipe.serialStart)) return std::nullopt;
        } else {
            r.Fail(r.SectionLine(Y), QStringLiteral("[system] needs serial_start= or serial=ask"));
            return std::nullopt;
        }
        if (!r.Get(Y, QStringLiteral("hardware_version"))) {
            r.Fail(r.SectionLine(Y), QStringLiteral("[system] needs hardware_version="));
            return std::nullopt;
        }
        if (!r.Number(Y, QStringLiteral("hardware_version"), 0, 255, 0, &v)) return std::nullopt;
        recipe.hardwareVersion = int(v);
    }

    const QString P = QStringLiteral("ping");
    if (r.Has(P)) {
        recipe.ping = true;
        if (!r.Number(P, QStringLiteral("count"), 1, 100000, 10, &v)) return std::nullopt;
        recipe.pingCount = int(v);
        if (!r.Number(P, QStringLiteral("interval_ms"), 1, 60000, 100, &v)) return std::nullopt;
        recipe.pingIntervalMs = int(v);
        if (!r.Number(P, QStringLiteral("max_errors"), 0, 100000, 0, &v)) return std::nullopt;
        recipe.pingMaxErrors = int(v);
    }
    recipe.reboot = r.Has(QStringLiteral("reboot"));

    if (!recipe.firmware && !recipe.config && !recipe.system && !recipe.ping && !recipe.reboot) {
        r.Fail(0, QStringLiteral("the recipe has no step: [firmware], [config], [system], [ping] or [reboot]"));
        return std::nullopt;
    }
    return recipe;
}

std::optional<Recipe> LoadRecipe(const QString& path, QString* error) {
    QFile f(path);
    if (!f.exists()) {
        if (error) *error = QStringLiteral("%1: no such recipe").arg(path);
        return std::nullopt;
    }
    if (!f.open(QIODevice::ReadOnly)) {
        if (error) *error = QStringLiteral("%1: cannot be read: %2").arg(path, f.errorString());
        return std::nullopt;
    }
    return ParseRecipe(f.readAll(), path, error);
}

}  // namespace relvane

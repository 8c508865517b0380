#include "link/AdapterDirectory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <unistd.h>

namespace relvane {

QString AdapterDirectory() {
    const QString own = qEnvironmentVariable("RELVANE_ADAPTERS");
    if (!own.isEmpty()) return own;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty()) return runtime + QStringLiteral("/relvane/adapters");
    return QStringLiteral("/tmp/relvane-%1/adapters").arg(::getuid());
}

QList<AdapterRegistration> ReadAdapterRegistrations(const QString& dir) {
    QList<AdapterRegistration> result;
    const QDir d(dir);
    const QStringList files =
        d.entryList({QStringLiteral("*.adapter")}, QDir::Files | QDir::Readable, QDir::Name);
    for (const QString& name : files) {
        QFile f(d.filePath(name));
        // A registration is a few dozen bytes; anything large is not one of ours.
        if (f.size() > 4096 || !f.open(QIODevice::ReadOnly)) continue;
        AdapterRegistration reg;
        reg.file = f.fileName();
        const QList<QByteArray> lines = f.readAll().split('\n');
        for (const QByteArray& raw : lines) {
            const QByteArray line = raw.trimmed();
            const int eq = line.indexOf('=');
            if (eq <= 0) continue;
            const QByteArray key = line.left(eq).trimmed();
            const QString value = QString::fromUtf8(line.mid(eq + 1).trimmed());
            if (key == "description") reg.description = value;
            else if (key == "device") reg.device = value;
        }
        if (!reg.description.isEmpty() && !reg.device.isEmpty()) result.append(reg);
    }
    return result;
}

QString WriteAdapterRegistration(const QString& dir, const QString& name,
                                 const QString& description, const QString& device,
                                 QString* error) {
    if (!QDir().mkpath(dir)) {
        if (error) *error = QStringLiteral("cannot create the adapter directory %1").arg(dir);
        return {};
    }
    const QString path = QDir(dir).filePath(name + QStringLiteral(".adapter"));
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly)) {
        if (error) *error = f.errorString();
        return {};
    }
    f.write("description=" + description.toUtf8() + "\ndevice=" + device.toUtf8() + "\n");
    if (!f.commit()) {
        if (error) *error = f.errorString();
        return {};
    }
    return path;
}

bool RemoveAdapterRegistration(const QString& file) {
    QFile::remove(file);
    return !QFileInfo::exists(file);
}

}  // namespace relvane

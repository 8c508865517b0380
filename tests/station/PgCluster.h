#pragma once
// A throw-away PostgreSQL server for the station tests: a cluster made with initdb in a
// temporary folder, listening only on a Unix socket in that folder, run as an unprivileged user
// when the tests run as root (the server refuses root), stopped and removed at the end.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>
#include <QThread>

#include <memory>

#include <pwd.h>
#include <unistd.h>

namespace relvane::test {

class PgCluster {
public:
    ~PgCluster() { Stop(); }

    // Makes and starts the cluster; an empty text on success, else what went wrong.
    QString Start() {
        bin_ = BinDir();
        if (bin_.isEmpty()) return QStringLiteral("no PostgreSQL server programs (scripts/setup installs postgresql)");
        // /tmp when run as root: the server's user must reach the folder, which a private
        // TMPDIR may not let it.
        const QString base = ::geteuid() == 0 ? QStringLiteral("/tmp") : QDir::tempPath();
        dir_ = std::make_unique<QTemporaryDir>(base + QStringLiteral("/relvane-pg-XXXXXX"));
        if (!dir_->isValid()) return QStringLiteral("no temporary folder");
        data_ = dir_->filePath(QStringLiteral("data"));
        if (::geteuid() == 0) {
            const passwd* pw = ::getpwnam("nobody");
            if (!pw) return QStringLiteral("no user \"nobody\" to run the server as");
            if (::chown(QFile::encodeName(dir_->path()).constData(), pw->pw_uid, pw->pw_gid) != 0)
                return QStringLiteral("cannot hand the folder to nobody");
            asUser_ = true;
        }
        QString out;
        if (!Run(bin_ + QStringLiteral("/initdb"),
                 {QStringLiteral("-D"), data_, QStringLiteral("-U"), QStringLiteral("relvane"), QStringLiteral("--auth=trust"),
                  QStringLiteral("--no-sync"), QStringLiteral("-E"), QStringLiteral("UTF8"), QStringLiteral("--locale=C")},
                 &out))
            return QStringLiteral("initdb failed: ") + out;
        return Launch();
    }

    // Starts the server again after Halt (same cluster, same socket).
    QString Launch() {
        QString out;
        if (!Run(bin_ + QStringLiteral("/pg_ctl"),
                 {QStringLiteral("-D"), data_, QStringLiteral("-w"), QStringLiteral("-t"), QStringLiteral("60"), QStringLiteral("-l"),
                  dir_->filePath(QStringLiteral("server.log")), QStringLiteral("-o"),
                  QStringLiteral("-k %1 -c listen_addresses='' -p %2 -c fsync=off").arg(dir_->path()).arg(kPort),
                  QStringLiteral("start")},
                 &out))
            return QStringLiteral("the server did not start: ") + out + Log();
        running_ = true;
        return {};
    }

    // Stops the server, keeping the cluster.
    void Halt() {
        if (!running_) return;
        QString out;
        Run(bin_ + QStringLiteral("/pg_ctl"), {QStringLiteral("-D"), data_, QStringLiteral("-w"), QStringLiteral("-m"), QStringLiteral("fast"), QStringLiteral("stop")}, &out);
        running_ = false;
    }

    void Stop() {
        Halt();
        dir_.reset();
    }

    QString Uri() const {
        return QStringLiteral("postgresql://relvane@/postgres?host=%1&port=%2").arg(dir_->path()).arg(kPort);
    }

private:
    static constexpr int kPort = 54329;  // only names the socket file; no TCP port is opened

    static QString BinDir() {
        QDir root(QStringLiteral("/usr/lib/postgresql"));
        QStringList versions = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        std::sort(versions.begin(), versions.end(), [](const QString& a, const QString& b) { return a.toInt() > b.toInt(); });
        for (const QString& v : versions)
            if (QFile::exists(root.filePath(v + QStringLiteral("/bin/initdb")))) return root.filePath(v + QStringLiteral("/bin"));
        return {};
    }

    bool Run(const QString& program, QStringList args, QString* out) {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.setWorkingDirectory(dir_->path());
        if (asUser_) {
            args.prepend(program);
            args = QStringList{QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"), QStringLiteral("--clear-groups"),
                               QStringLiteral("--")} + args;
            p.start(QStringLiteral("setpriv"), args);
        } else {
            p.start(program, args);
        }
        if (!p.waitForFinished(120000)) {
            p.kill();
            p.waitForFinished();
        }
        *out = QString::fromLocal8Bit(p.readAll());
        return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }

    QString Log() const {
        QFile f(dir_->filePath(QStringLiteral("server.log")));
        return f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll()) : QString();
    }

    QString bin_;
    std::unique_ptr<QTemporaryDir> dir_;
    QString data_;
    bool asUser_ = false;
    bool running_ = false;
};

}  // namespace relvane::test

// Saves killed at random moments: a child process saves a configuration file, an EEPROM
// dump or the program settings file in a loop with the old and the new content in turn,
// and is killed with SIGKILL after a random delay, many times. Each time the file must
// read back fully and be exactly the old or the new content. Beside it there may be at
// most a whole copy under the save's temporary name (see docs/RELIABILITY.md), nothing else.
//
// The delays come from a seeded generator; the seed is printed, and RELVANE_KILL_SEED
// repeats a run. RELVANE_KILL_RUNS changes the number of kills per kind.

#include "SaveKinds.h"

#include "config/ConfigDiff.h"
#include "config/IniFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>

#include <sys/types.h>
#include <unistd.h>

using namespace relvane;
using namespace relvane::reliability;

namespace {

const QString kChild = QStringLiteral(RELVANE_SAVE_CHILD);

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString FileName(const QString& kind)
{
    if (kind == QLatin1String("config"))
        return QStringLiteral("module.cfg");
    if (kind == QLatin1String("eeprom"))
        return QStringLiteral("eeprom.txt");
    return QStringLiteral("relvane-tool.INI");
}

// Runs the child to its end; its standard output, or a failure text in *error.
QByteArray RunChild(const QStringList& args, QString* error)
{
    QProcess p;
    p.start(kChild, args);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        *error = QStringLiteral("save_child %1: %2 %3").arg(args.join(QLatin1Char(' ')), p.errorString(),
                                                            QString::fromLocal8Bit(p.readAllStandardError()));
        return {};
    }
    return p.readAllStandardOutput();
}

// What the file, read as the tool reads it, differs in from content `which`; empty when
// it reads back whole.
QString ReadBackDifference(const QString& kind, const QString& path, int which)
{
    if (kind == QLatin1String("config")) {
        ConfigModel loaded;
        QString error;
        if (!LoadConfigFile(loaded, path, &error))
            return error;
        ConfigModel expected;
        FillConfig(expected, which);
        const QList<ConfigDifference> diff = DiffConfigs(loaded, expected);
        return diff.isEmpty() ? QString() : DifferenceLine(diff.first());
    }
    if (kind == QLatin1String("eeprom")) {
        EepromBuffer loaded;
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return QStringLiteral("cannot open");
        loaded.ReadText(f);
        EepromBuffer expected;
        FillEeprom(expected, which);
        for (int row = 1; row <= kEepromDataRows; ++row)
            for (int column = 1; column <= kEepromAsciiColumn; ++column)
                if (loaded.cell(row, column) != expected.cell(row, column))
                    return QStringLiteral("row %1 column %2: '%3' instead of '%4'")
                        .arg(row)
                        .arg(column)
                        .arg(loaded.cell(row, column), expected.cell(row, column));
        return {};
    }
    const ProgramSettings s = ReadProgramSettings(path, QStringLiteral("(absent)"));
    const ProgramSettings e = SettingsContent(which);
    if (s.top != e.top || s.left != e.left || s.width != e.width || s.initMax != e.initMax)
        return QStringLiteral("placement %1 %2 %3 %4").arg(s.top).arg(s.left).arg(s.width).arg(s.initMax);
    if (s.configPath != e.configPath)
        return QStringLiteral("PATH '%1'").arg(s.configPath.left(40));
    return {};
}

}  // namespace

class TestKilledSave : public QObject {
    Q_OBJECT

    quint32 seed_ = 0;
    int runs_ = 150;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(QFile::exists(kChild), qPrintable(kChild));
        bool ok = false;
        seed_ = qEnvironmentVariable("RELVANE_KILL_SEED").toUInt(&ok);
        if (!ok)
            seed_ = quint32(QDateTime::currentMSecsSinceEpoch());
        const int runs = qEnvironmentVariableIntValue("RELVANE_KILL_RUNS", &ok);
        if (ok && runs > 0)
            runs_ = runs;
        qInfo("kill delays from seed %u (RELVANE_KILL_SEED=%u repeats them), %d kills per kind", seed_, seed_,
              runs_);
    }

    void killedSaveLeavesOldOrNew_data()
    {
        QTest::addColumn<QString>("kind");
        for (const QString& kind : SaveKindNames())
            QTest::newRow(qPrintable(kind)) << kind;
    }

    void killedSaveLeavesOldOrNew()
    {
        QFETCH(QString, kind);
        QTemporaryDir refs;
        QTemporaryDir work;
        QVERIFY(refs.isValid() && work.isValid());

        // The two contents as a save that was not disturbed writes them.
        const QString oldPath = refs.filePath(QStringLiteral("old-") + FileName(kind));
        const QString newPath = refs.filePath(QStringLiteral("new-") + FileName(kind));
        QString error;
        RunChild({kind, QStringLiteral("--reference"), oldPath, newPath}, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        const QByteArray oldBytes = ReadAll(oldPath);
        const QByteArray newBytes = ReadAll(newPath);
        QVERIFY(oldBytes.size() > 2000 && newBytes.size() > 2000);
        QVERIFY(oldBytes != newBytes);
        QCOMPARE(ReadBackDifference(kind, oldPath, 0), QString());
        QCOMPARE(ReadBackDifference(kind, newPath, 1), QString());

        // Delays spread over a few saves, so kills land before, inside and between writes.
        const QByteArray measured = RunChild({kind, QStringLiteral("--measure"), refs.filePath(QStringLiteral("m"))},
                                             &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        const qint64 saveUs = qMax<qint64>(measured.trimmed().toLongLong(), 50);
        const qint64 spanUs = qMax<qint64>(3 * saveUs, 2000);
        qInfo("%s: %lld bytes, one save about %lld us, kills 0 to %lld us after the first save",
              qPrintable(kind), static_cast<long long>(newBytes.size()), static_cast<long long>(saveUs),
              static_cast<long long>(spanUs));

        QRandomGenerator random(seed_ ^ quint32(qHash(kind)));
        const QString target = work.filePath(FileName(kind));
        int olds = 0;
        int news = 0;
        int leftCopies = 0;
        for (int run = 0; run < runs_; ++run) {
            const qint64 delayUs = qint64(random.bounded(quint32(spanUs)));
            QProcess child;
            child.start(kChild, {kind, target});
            QVERIFY2(child.waitForStarted(10000), qPrintable(child.errorString()));
            // The old content is in place once it says so.
            while (!child.canReadLine() && child.state() == QProcess::Running)
                child.waitForReadyRead(10000);
            QVERIFY2(child.readLine() == "ready\n",
                     qPrintable(QString::fromLocal8Bit(child.readAllStandardError())));
            QThread::usleep(static_cast<unsigned long>(delayUs));
            ::kill(pid_t(child.processId()), SIGKILL);
            QVERIFY(child.waitForFinished(10000));
            QCOMPARE(child.exitStatus(), QProcess::CrashExit);

            const QString where = QStringLiteral("run %1, killed %2 us after the first save").arg(run).arg(delayUs);
            // The whole new file is written unnamed and, to replace the old one, given a
            // temporary name beside it and renamed over it: a kill between those two steps
            // leaves that name behind, holding a whole copy. Anything else is a fault.
            QStringList left =
                QDir(work.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
            const QRegularExpression tempName(QRegularExpression::anchoredPattern(
                QRegularExpression::escape(FileName(kind)) + QStringLiteral("\\.[A-Za-z0-9]{6}")));
            for (const QString& name : QStringList(left)) {
                if (!tempName.match(name).hasMatch())
                    continue;
                const QByteArray copy = ReadAll(work.filePath(name));
                QVERIFY2(copy == oldBytes || copy == newBytes,
                         qPrintable(where + QStringLiteral(": %1 is no whole copy (%2 bytes)").arg(name).arg(copy.size())));
                QVERIFY(QFile::remove(work.filePath(name)));
                left.removeOne(name);
                ++leftCopies;
            }
            QVERIFY2(left == QStringList{FileName(kind)},
                     qPrintable(where + QStringLiteral(": the folder holds ") + left.join(QStringLiteral(", "))));
            const QByteArray bytes = ReadAll(target);
            const int which = bytes == oldBytes ? 0 : bytes == newBytes ? 1 : -1;
            QVERIFY2(which >= 0, qPrintable(where + QStringLiteral(": %1 bytes, neither the old nor the new file")
                                                        .arg(bytes.size())));
            const QString difference = ReadBackDifference(kind, target, which);
            QVERIFY2(difference.isEmpty(), qPrintable(where + QStringLiteral(": ") + difference));
            (which == 0 ? olds : news)++;
        }
        qInfo("%s: %d kills left the old file, %d the new one; %d left a whole copy under a temporary name",
              qPrintable(kind), olds, news, leftCopies);
        // Kills that all land in one place would not test much.
        if (runs_ >= 50) {
            QVERIFY2(olds > 0 && news > 0, "every kill left the same content: the delays do not spread");
        }
    }
};

QTEST_GUILESS_MAIN(TestKilledSave)
#include "test_killed_save.moc"

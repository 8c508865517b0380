// Restore points and the recovery file: exact content, atomic writes, the limit per box name,
// damaged entries skipped and named, and a recovery file left by a killed tool.

#include "config/ConfigDelta.h"
#include "config/ConfigFile.h"
#include "config/ConfigHistory.h"
#include "config/ConfigModel.h"
#include "config/RecoveryFile.h"
#include "support/KilledWriter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>


using namespace relvane;

namespace {

// A configuration with values a configuration file alone does not give back exactly.
void Edit(ConfigModel& m, int delay)
{
    m.ModifyOutput(5, [&](OutputConfig& o) {
        o.DELAY = delay;
        o.MAX_CURRENT = std::nullopt;  // an empty number
        o.NAME = QByteArray(" Horn ");
    });
    m.ModifyCanInput(2, [](CanInputConfig& c) { c.MULTIPLICATOR_ = 0.1f; });
}

QStringList Names(const QList<RestorePoint>& points)
{
    QStringList out;
    for (const RestorePoint& p : points)
        out << QString::fromLatin1(p.boxName) + QLatin1Char(':') + p.event;
    return out;
}

}  // namespace

class TestConfigHistory : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> dir_;
    QString Folder() const { return dir_->filePath(QStringLiteral("history")); }

private Q_SLOTS:
    void init() { dir_ = std::make_unique<QTemporaryDir>(); }

    void restorePointKeepsTheExactConfiguration()
    {
        ConfigModel m;
        Edit(m, 37);
        m.SetBoxName(QByteArray("Truck 7"));
        ConfigHistory history(Folder(), 5);
        RestorePoint added;
        QString error;
        QVERIFY2(history.Add(HistoryEvent::Upload, m, QStringLiteral("ADAPTER A"), &error, &added), qPrintable(error));
        // Written through a temporary file and renamed: nothing else is left in the folder.
        QCOMPARE(QDir(Folder()).entryList(QDir::Files), (QStringList{QFileInfo(added.file).fileName(), QStringLiteral("index")}));
        QVERIFY(added.file.contains(QStringLiteral("_upload_Truck_7")));

        ConfigModel back;
        RestorePoint info;
        QVERIFY(ReadRestorePointFile(added.file, &back, &info, &error));
        QVERIFY(SameConfiguration(m, back));
        QCOMPARE(info.event, HistoryEvent::Upload);
        QCOMPARE(info.adapter, QStringLiteral("ADAPTER A"));
        // Any tool opens it as a configuration file.
        ConfigModel asFile;
        QVERIFY(LoadConfigFile(asFile, added.file, &error));
        QCOMPARE(asFile.Output(5).DELAY, std::optional<int>(37));
    }

    void theOldestBeyondTheLimitGoPerBoxName()
    {
        ConfigHistory history(Folder(), 3);
        ConfigModel a, b;
        a.SetBoxName(QByteArray("A"));
        b.SetBoxName(QByteArray("B"));
        for (int i = 0; i < 5; ++i) {
            Edit(a, i);
            QVERIFY(history.Add(HistoryEvent::Read, a, {}));
            if (i < 2)
                QVERIFY(history.Add(HistoryEvent::Upload, b, {}));
        }
        const HistoryListing l = history.List();
        QCOMPARE(Names(l.points), QStringList({QStringLiteral("A:read"), QStringLiteral("A:read"), QStringLiteral("A:read"), QStringLiteral("B:upload"), QStringLiteral("B:upload")}));
        QVERIFY2(l.skipped.isEmpty(), qPrintable(l.skipped.join(QLatin1Char('|'))));
        // The newest three of A remain: delays 4, 3, 2.
        ConfigModel newest;
        QVERIFY(ReadRestorePointFile(l.points.first().file, &newest, nullptr));
        QCOMPARE(newest.Output(5).DELAY, std::optional<int>(4));
        QCOMPARE(QDir(Folder()).entryList({QStringLiteral("*.cfg")}).size(), 5);
    }

    void damagedEntriesAreSkippedAndNamed_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<int>("points");
        QTest::addColumn<QString>("skipped");
        QTest::newRow("index garbage") << "index" << 2 << "index: not a history index";
        QTest::newRow("file edited") << "file" << 1 << "is damaged (its checksum does not match)";
        QTest::newRow("file cut") << "cut" << 1 << "is no restore point";
        QTest::newRow("stray file") << "stray" << 2 << "stray.cfg: is no restore point";
    }
    void damagedEntriesAreSkippedAndNamed()
    {
        QFETCH(QString, damage);
        QFETCH(int, points);
        QFETCH(QString, skipped);
        ConfigHistory history(Folder(), 10);
        ConfigModel m;
        RestorePoint first;
        QVERIFY(history.Add(HistoryEvent::Read, m, {}, nullptr, &first));
        Edit(m, 9);
        QVERIFY(history.Add(HistoryEvent::Read, m, {}));
        QFile index(QDir(Folder()).filePath(QStringLiteral("index")));
        const auto rewrite = [](const QString& path, const QByteArray& bytes) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(bytes);
        };
        QFile f(first.file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QByteArray bytes = f.readAll();
        f.close();
        if (damage == QLatin1String("index")) {
            rewrite(index.fileName(), "\x01\x02garbage\n\tx\n");
        } else if (damage == QLatin1String("file")) {
            // Without the index every file is read for itself.
            rewrite(first.file, bytes.replace("DELAY", "DELAX"));
            QFile::remove(index.fileName());
        } else if (damage == QLatin1String("cut")) {
            rewrite(first.file, bytes.left(bytes.size() / 3));
            QFile::remove(index.fileName());
        } else {
            rewrite(QDir(Folder()).filePath(QStringLiteral("stray.cfg")), "[OUTPUT]\r\nX=1\r\n");
        }
        const HistoryListing l = history.List();
        QCOMPARE(l.points.size(), points);
        QVERIFY2(l.skipped.join(QLatin1Char('\n')).contains(skipped), qPrintable(l.skipped.join(QLatin1Char('|'))));
        if (damage == QLatin1String("file")) {
            // A damaged restore point is not read as a configuration either.
            ConfigModel into;
            QString why;
            QVERIFY(!ReadRestorePointFile(first.file, &into, nullptr, &why));
        }
    }

    void aFolderThatCannotBeWrittenIsToldOnce()
    {
        QFile blocker(dir_->filePath(QStringLiteral("history")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));  // a file where the folder should be
        blocker.close();
        ConfigHistory history(Folder(), 10);
        QString error;
        QVERIFY(!history.Add(HistoryEvent::Read, ConfigModel(), {}, &error));
        QVERIFY(error.startsWith(QStringLiteral("Restore points cannot be written to")));
        QVERIFY(history.List().points.isEmpty());
    }

    // A tool killed while it had unsaved changes leaves its file; the next one finds it, and
    // never the file of a tool still running (its own).
    void aKilledToolLeavesItsRecoveryFile()
    {
        const QString folder = dir_->filePath(QStringLiteral("recovery"));
        ConfigModel edited;
        Edit(edited, 55);
        const pid_t child = test::RecoveryWrittenThenKilled(folder, edited);
        QVERIFY(child > 0);

        RecoveryFile ours(folder);
        QVERIFY(ours.Write(ConfigModel()));
        const QList<RecoveryFile::Left> left = ours.LeftBehind();
        QCOMPARE(left.size(), 1);
        QVERIFY(left.first().path.endsWith(QStringLiteral("recovery-%1.cfg").arg(child)));
        ConfigModel found, expected;
        Edit(expected, 55);
        QVERIFY(RecoveryFile::Load(left.first().path, found));
        QVERIFY(SameConfiguration(found, expected));
        RecoveryFile::Discard(left.first().path);
        QVERIFY(ours.LeftBehind().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestConfigHistory)
#include "test_config_history.moc"

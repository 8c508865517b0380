// Where the program settings file is kept: next to the executable while its folder can be
// written, else in the user's configuration folder under the same name.

#include "app/ProgramSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace relvane;

namespace {

bool IsSuperuser() { return ::geteuid() == 0; }

// Makes a folder read-only for the duration of a test and writable again afterwards, so
// QTemporaryDir can remove it.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(QString path) : path_(std::move(path))
    {
        ok_ = ::chmod(QFile::encodeName(path_).constData(), 0555) == 0;
    }
    ~ReadOnlyFolder() { ::chmod(QFile::encodeName(path_).constData(), 0755); }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;
    bool ok() const { return ok_; }

private:
    QString path_;
    bool ok_ = false;
};

// Sets an environment variable for one test; the old value comes back afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value)
        : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name))
    {
        qputenv(name_, value);
    }
    ~ScopedEnv()
    {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    bool had_;
    QByteArray old_;
};

} // namespace

class TestSettingsLocation : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void choose_data()
    {
        QTest::addColumn<QString>("exe");
        QTest::addColumn<bool>("writable");
        QTest::addColumn<QString>("xdg");
        QTest::addColumn<QString>("home");
        QTest::addColumn<QString>("expected");

        QTest::newRow("writable folder keeps it beside")
            << "/opt/relvane/relvane-tool" << true << "/home/u/.cfg" << "/home/u"
            << "/opt/relvane/relvane-tool.INI";
        QTest::newRow("read-only folder, XDG_CONFIG_HOME")
            << "/usr/bin/relvane-tool" << false << "/home/u/.cfg" << "/home/u"
            << "/home/u/.cfg/relvane/relvane-tool.INI";
        QTest::newRow("read-only folder, no XDG_CONFIG_HOME")
            << "/usr/bin/relvane-tool" << false << "" << "/home/u"
            << "/home/u/.config/relvane/relvane-tool.INI";
        QTest::newRow("relative XDG_CONFIG_HOME is ignored")
            << "/usr/bin/relvane-tool" << false << "cfg" << "/home/u"
            << "/home/u/.config/relvane/relvane-tool.INI";
        QTest::newRow("trailing slashes")
            << "/usr/bin/relvane-tool" << false << "/home/u/.cfg/" << "/home/u/"
            << "/home/u/.cfg/relvane/relvane-tool.INI";
        QTest::newRow("same name as beside it")
            << "/mnt/ro/RelvaneTool.exe" << false << "" << "/home/u"
            << "/home/u/.config/relvane/RelvaneTool.INI";
        QTest::newRow("no home and no XDG: stays beside")
            << "/usr/bin/relvane-tool" << false << "" << "" << "/usr/bin/relvane-tool.INI";
        QTest::newRow("relative home is no home")
            << "/usr/bin/relvane-tool" << false << "" << "home" << "/usr/bin/relvane-tool.INI";
    }
    void choose()
    {
        QFETCH(QString, exe);
        QFETCH(bool, writable);
        QFETCH(QString, xdg);
        QFETCH(QString, home);
        QFETCH(QString, expected);
        QCOMPARE(ChooseProgramSettingsPath(exe, writable, xdg, home), expected);
    }

    void writableFolder()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString exe = dir.filePath(QStringLiteral("relvane-tool"));
        // The superuser may write anywhere, so for it only a file already there counts.
        QCOMPARE(ExecutableFolderWritable(exe), !IsSuperuser());
        QFile ini(dir.filePath(QStringLiteral("relvane-tool.INI")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.close();
        QVERIFY(ExecutableFolderWritable(exe));
    }

    void readOnlyFolder()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString bin = dir.filePath(QStringLiteral("bin"));
        QVERIFY(QDir().mkpath(bin));
        const QString exe = bin + QStringLiteral("/relvane-tool");
        ReadOnlyFolder readOnly(bin);
        QVERIFY(readOnly.ok());
        QVERIFY(!ExecutableFolderWritable(exe));
    }

    void missingFolder()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(!ExecutableFolderWritable(dir.filePath(QStringLiteral("gone/relvane-tool"))));
    }

    void locationFollowsTheFolder()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString config = dir.filePath(QStringLiteral("config"));
        ScopedEnv xdg("XDG_CONFIG_HOME", QFile::encodeName(config));
        const QString bin = dir.filePath(QStringLiteral("bin"));
        QVERIFY(QDir().mkpath(bin));
        const QString exe = bin + QStringLiteral("/relvane-tool");
        const QString beside = bin + QStringLiteral("/relvane-tool.INI");
        const QString inConfig = config + QStringLiteral("/relvane/relvane-tool.INI");

        if (!IsSuperuser())
            QCOMPARE(ProgramSettingsLocation(exe), beside);
        {
            ReadOnlyFolder readOnly(bin);
            QVERIFY(readOnly.ok());
            QCOMPARE(ProgramSettingsLocation(exe), inConfig);
        }
    }

    // An installed tool keeps its window placement and last paths: the first write creates
    // the configuration folder, and the next start reads the values back.
    void settingsSurviveInTheConfigurationFolder()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString bin = dir.filePath(QStringLiteral("bin"));
        QVERIFY(QDir().mkpath(bin));
        const QString exe = bin + QStringLiteral("/relvane-tool");
        ReadOnlyFolder readOnly(bin);
        QVERIFY(readOnly.ok());
        const QString path = ChooseProgramSettingsPath(
            exe, ExecutableFolderWritable(exe), dir.filePath(QStringLiteral("xdg")), QString());
        QCOMPARE(path, dir.filePath(QStringLiteral("xdg/relvane/relvane-tool.INI")));
        QVERIFY(!QFileInfo::exists(QFileInfo(path).absolutePath()));

        ProgramSettings s;
        s.top = 10;
        s.left = 20;
        s.width = 1200;
        s.initMax = true;
        s.configPath = QStringLiteral("/home/u/cfg");
        QVERIFY(WriteProgramSettings(path, s));
        QVERIFY(QFileInfo::exists(path));
        QVERIFY(!QFileInfo::exists(bin + QStringLiteral("/relvane-tool.INI")));

        const ProgramSettings r = ReadProgramSettings(path, QStringLiteral("/cwd"));
        QCOMPARE(r.top, 10);
        QCOMPARE(r.left, 20);
        QCOMPARE(r.width, 1200);
        QCOMPARE(r.initMax, true);
        QCOMPARE(r.configPath, QStringLiteral("/home/u/cfg"));
    }

    // Where the folder cannot be made, nothing is written and the caller is told.
    void unwritableLocationFails()
    {
        if (IsSuperuser())
            QSKIP("the superuser writes into read-only folders");
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        ReadOnlyFolder readOnly(dir.path());
        QVERIFY(readOnly.ok());
        QVERIFY(!WriteProgramSettings(dir.filePath(QStringLiteral("relvane/relvane-tool.INI")),
                                      ProgramSettings{}));
    }
};

QTEST_GUILESS_MAIN(TestSettingsLocation)
#include "test_settings_location.moc"

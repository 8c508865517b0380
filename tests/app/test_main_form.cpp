// The main window shell: menus, notebook, status bar and the settings file.

#include "test_main_form.h"

#include "app/ErrorDisplay.h"
#include "app/ProgramSettings.h"

#include <QFile>
#include <QGroupBox>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>

using namespace relvane;

namespace {

void WriteFile(const QString& path, const QByteArray& content)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

} // namespace

void TestMainForm::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    backend_ = std::make_unique<MemoryBackend>();
    link_ = std::make_unique<MemoryLink>(*backend_);
    dialogs_ = std::make_unique<ScriptedDialogs>();
}

void TestMainForm::cleanup()
{
    form_.reset();
    link_.reset();
    backend_.reset();
    dialogs_.reset();
    dir_.reset();
}

// ---- shell ---------------------------------------------------------------

void TestMainForm::titleIsSetAtConstruction()
{
    QCOMPARE(Form().windowTitle(), QStringLiteral("Relvane Tool "));
    QCOMPARE(Form().objectName(), QStringLiteral("MainForm"));
}

void TestMainForm::menuTitles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("title");
    QTest::newRow("file") << "File1" << "&File";
    QTest::newRow("edit") << "Edit1" << "&Edit";
    QTest::newRow("connection") << "Connection1" << "&Connection";
    QTest::newRow("tools") << "Tools1" << "Tools";
    QTest::newRow("production") << "Production1" << "Orvik";
    QTest::newRow("help") << "Help1" << "&Help";
}

void TestMainForm::menuTitles()
{
    QFETCH(QString, name);
    QFETCH(QString, title);
    auto* menu = Form().findChild<QMenu*>(name);
    QVERIFY2(menu, qPrintable(name));
    QCOMPARE(menu->title(), title);
    QVERIFY(Form().menuBar()->actions().contains(menu->menuAction()));
}

void TestMainForm::menuOrder()
{
    QStringList titles;
    for (QAction* a : Form().menuBar()->actions())
        titles << a->text();
    QCOMPARE(titles, (QStringList{QStringLiteral("&File"), QStringLiteral("&Edit"), QStringLiteral("&Connection"),
                                  QStringLiteral("Tools"), QStringLiteral("Orvik"),
                                  QStringLiteral("&Help")}));
}

void TestMainForm::menuEntries_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QStringList>("entries");  // name=text, "-" for a separator
    QTest::newRow("file") << "File1"
                          << L({"Open=&Open", "Save=Save", "ExportCanDatabase1=Export CAN database\u2026",
                                         "ExportSheet1=Export sheet\u2026", "-",
                                         "Read2=Read               F8",
                                         "Upload1=Upload            F9",
                                         "Default=Default settings", "-", "Close1=&Exit"});
    QTest::newRow("edit") << "Edit1" << L({"Undo1=&Undo", "Redo1=&Redo"});
    QTest::newRow("connection") << "Connection1" << L({"USB1=&USB"});
    QTest::newRow("tools") << "Tools1"
                           << L({"Firmware1=Firmware", "FIA=FIA ",
                                 "CompareConfiguration1=Compare configuration\u2026", "Trend1=Trend\u2026",
                                 "History1=History\u2026"});
    QTest::newRow("production")
        << "Production1"
        << L({"Systemsetup1=System setup", "Calibration1=Calibration",
                       "PingTest1=Ping Test", "Runtimeerror1=Runtime error", "Eeprom=Eeprom",
                       "Station1=Station\u2026"});
    QTest::newRow("help") << "Help1" << L({"About1=&About.."});
}

void TestMainForm::menuEntries()
{
    QFETCH(QString, menu);
    QFETCH(QStringList, entries);
    auto* m = Form().findChild<QMenu*>(menu);
    QVERIFY(m);
    QStringList got;
    for (QAction* a : m->actions())
        got << (a->isSeparator() ? QStringLiteral("-") : a->objectName() + QLatin1Char('=') + a->text());
    QCOMPARE(got, entries);
}

void TestMainForm::productionMenuHiddenUntilRevealed()
{
    auto* menu = Form().findChild<QMenu*>(QStringLiteral("Production1"));
    QVERIFY(menu);
    QVERIFY(!menu->menuAction()->isVisible());
    Form().RevealProductionMenu();
    QVERIFY(menu->menuAction()->isVisible());
}

void TestMainForm::entriesWithoutCommandAreDisabled()
{
    QVERIFY(!FindAction(&Form(), QStringLiteral("Read2"))->isEnabled());
    QVERIFY(!FindAction(&Form(), QStringLiteral("PingTest1"))->isEnabled());
    int pings = 0;
    MainCommands c;
    c.pingTest = [&] { ++pings; };
    Form().SetCommands(c);
    QAction* ping = FindAction(&Form(), QStringLiteral("PingTest1"));
    QVERIFY(ping->isEnabled());
    QVERIFY(!FindAction(&Form(), QStringLiteral("Read2"))->isEnabled());
    ping->trigger();
    QCOMPARE(pings, 1);
    // Always available: exit, the selection dialog and About.
    QVERIFY(FindAction(&Form(), QStringLiteral("Close1"))->isEnabled());
    QVERIFY(FindAction(&Form(), QStringLiteral("USB1"))->isEnabled());
    QVERIFY(FindAction(&Form(), QStringLiteral("About1"))->isEnabled());
}

void TestMainForm::functionKeysRunReadAndUpload()
{
    int reads = 0;
    int uploads = 0;
    MainCommands c;
    c.read = [&] { ++reads; };
    c.upload = [&] { ++uploads; };
    Form().SetCommands(c);
    Form().show();
    QVERIFY(QTest::qWaitForWindowExposed(&Form()));
    // Sent to a control on a page: the window takes it first.
    QWidget* socket = Form().Page(PAGE_SOCKET_INFO);
    QTest::keyClick(socket, Qt::Key_F8);
    QTest::keyClick(Form().Notebook(), Qt::Key_F9);
    QTest::keyClick(Form().Notebook(), Qt::Key_F9);
    QCOMPARE(reads, 1);
    QCOMPARE(uploads, 2);
}

void TestMainForm::notebookPages()
{
    QTabWidget* nb = Form().findChild<QTabWidget*>(QStringLiteral("TabbedNotebook1"));
    QVERIFY(nb);
    QCOMPARE(nb, Form().centralWidget());
    const QStringList expected{
        QStringLiteral("General"),        QStringLiteral("Diagnostic"),
        QStringLiteral("Inputs"),         QStringLiteral("CAN Inputs"),
        QStringLiteral("Virtual Inputs"), QStringLiteral("CAN Export"),
        QStringLiteral("Outputs"),        QStringLiteral("Flash / Wiper"),
        QStringLiteral("Low Battery"),    QStringLiteral("Start / Kill Button"),
        QStringLiteral("Low Current"),    QStringLiteral("Socket info")};
    QCOMPARE(nb->count(), 12);
    for (int i = 0; i < nb->count(); ++i)
        QCOMPARE(nb->tabText(i), expected.at(i));
    QCOMPARE(nb->currentIndex(), 0);
}

void TestMainForm::setPageKeepsCaptionAndDeletesOld()
{
    QPointer<QWidget> old = Form().Page(PAGE_OUTPUTS);
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("NewOutputs"));
    Form().SetPage(PAGE_OUTPUTS, page);
    QCOMPARE(Form().Page(PAGE_OUTPUTS), page);
    QCOMPARE(Form().Notebook()->tabText(PAGE_OUTPUTS), QStringLiteral("Outputs"));
    QCOMPARE(Form().Notebook()->count(), 12);
    QVERIFY(old.isNull());
    QCOMPARE(Form().Notebook()->currentIndex(), 0);
}

void TestMainForm::pageChangeRunsPageWork()
{
    QList<int> pages;
    for (int i = 1; i < PAGE_COUNT; ++i)
        Form().SetPageSelectedWork(i, [&pages, i] { pages << i; });
    Form().Notebook()->setCurrentIndex(PAGE_DIAGNOSTIC);
    Form().Notebook()->setCurrentIndex(PAGE_GENERAL);
    Form().Notebook()->setCurrentIndex(PAGE_CAN_INPUTS);
    QCOMPARE(pages, (QList<int>{PAGE_DIAGNOSTIC, PAGE_CAN_INPUTS}));
    QCOMPARE(Form().CurrentPageCaption(), QStringLiteral("CAN Inputs"));

    // With the live view attached, it gets the change and calls back for other pages.
    QList<int> live;
    LiveViewHooks hooks;
    hooks.pageChanged = [&](int index) {
        live << index;
        if (index != PAGE_GENERAL)
            Form().OnOtherPageSelected(index);
    };
    Form().SetLiveViewHooks(hooks);
    pages.clear();
    Form().Notebook()->setCurrentIndex(PAGE_GENERAL);
    Form().Notebook()->setCurrentIndex(PAGE_LOW_BATTERY);
    QCOMPARE(live, (QList<int>{PAGE_GENERAL, PAGE_LOW_BATTERY}));
    QCOMPARE(pages, (QList<int>{PAGE_LOW_BATTERY}));
}

void TestMainForm::socketInfoPage_data()
{
    QTest::addColumn<QString>("group");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("usb") << "GroupBoxSocketUSB"
                         << L({"USB signal", "USB wire",
                                        "+5V", "Red", "( Con. 4, Red ring, Pin 34 )",
                                        "Data +", "Green", "( Con. 4, Red ring, Pin 35 )",
                                        "Data -", "White", "( Con. 4, Red ring, Pin 36 )",
                                        "GND", "Black", "( Con. 4, Red ring, Pin 37 )"});
    QTest::newRow("can") << "GroupBoxSocketCAN"
                         << L({"GND", "( Con. 4, Red ring, Pin 30 )",
                                        "CAN High", "( Con. 4, Red ring, Pin 31 )",
                                        "CAN Low", "( Con. 4, Red ring, Pin 33 )"});
    QTest::newRow("misc") << "GroupBoxSocketMisc"
                          << L({"Current sum (0-5V)", "( Con. 4, Red ring, Pin 17 )",
                                         "Warning Light / Reset", "( Con. 4, Red ring, Pin 18 )"});
}

void TestMainForm::socketInfoPage()
{
    QFETCH(QString, group);
    QFETCH(QStringList, texts);
    auto* box = Form().Page(PAGE_SOCKET_INFO)->findChild<QGroupBox*>(group);
    QVERIFY(box);
    QStringList got;
    for (QLabel* l : box->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        got << l->text();
    QCOMPARE(got, texts);
}

void TestMainForm::socketInfoGroupCaptions()
{
    QWidget* page = Form().Page(PAGE_SOCKET_INFO);
    QStringList captions;
    for (QGroupBox* b : page->findChildren<QGroupBox*>())
        captions << b->title();
    QCOMPARE(captions, (QStringList{QStringLiteral(" USB "), QStringLiteral(" CAN "),
                                    QStringLiteral(" Miscellaneous ")}));
}

void TestMainForm::statusBarPanels()
{
    auto* bar = Form().findChild<QStatusBar*>(QStringLiteral("StatusBar1"));
    QVERIFY(bar);
    QCOMPARE(Panel(0)->width(), 200);
    QCOMPARE(Panel(1)->width(), 50);
    QVERIFY(Panel(0)->text().isEmpty());
    QVERIFY(Panel(1)->text().isEmpty());
    QVERIFY(!Form().Connected());
}

// ---- settings file ---------------------------------------------------------

void TestMainForm::settingsPath_data()
{
    QTest::addColumn<QString>("exe");
    QTest::addColumn<QString>("ini");
    QTest::newRow("windows name") << "/opt/x/RelvaneTool.exe" << "/opt/x/RelvaneTool.INI";
    QTest::newRow("no extension") << "/usr/bin/relvane-tool" << "/usr/bin/relvane-tool.INI";
    QTest::newRow("dot in folder") << "/a.b/relvane-tool" << "/a.b/relvane-tool.INI";
    QTest::newRow("two dots") << "/x/tool.v2.bin" << "/x/tool.v2.INI";
    QTest::newRow("hidden file") << "/x/.tool" << "/x/.tool.INI";
}

void TestMainForm::settingsPath()
{
    QFETCH(QString, exe);
    QFETCH(QString, ini);
    QCOMPARE(ProgramSettingsPath(exe), ini);
}

void TestMainForm::firstStartDefaults()
{
    QVERIFY(!QFile::exists(SettingsPath()));
    const ProgramSettings& s = Form().StartSettings();
    QCOMPARE(s.top, 48);
    QCOMPARE(s.left, 291);
    QCOMPARE(s.width, 990);
    QCOMPARE(s.initMax, false);
    QCOMPARE(Form().LastConfigPath(), QStringLiteral("/start/dir"));
    QCOMPARE(Form().width(), 990);
    QVERIFY(!(Form().windowState() & Qt::WindowMaximized));
    // Reading never creates the file.
    QVERIFY(!QFile::exists(SettingsPath()));
}

void TestMainForm::settingsValues_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("top");
    QTest::addColumn<bool>("initMax");
    QTest::addColumn<QString>("path");
    QTest::newRow("hexadecimal width") << QByteArray("[Form]\r\nWidth=0x3E8\r\n") << 1000 << 48
                                       << false << "/start/dir";
    QTest::newRow("width abc") << QByteArray("[Form]\r\nWidth=abc\r\nTop=10\r\n") << 990 << 10
                               << false << "/start/dir";
    QTest::newRow("keys any case") << QByteArray("[form]\r\nwidth=1100\r\nINITMAX=1\r\n[config]\r\npath=/cfg/a.cfg\r\n")
                                   << 1100 << 48 << true << "/cfg/a.cfg";
    QTest::newRow("flag any non-zero") << QByteArray("[Form]\r\nInitMax=7\r\n") << 990 << 48 << true
                                       << "/start/dir";
    QTest::newRow("flag zero") << QByteArray("[Form]\r\nInitMax=0\r\n") << 990 << 48 << false
                               << "/start/dir";
    QTest::newRow("flag unreadable") << QByteArray("[Form]\r\nInitMax=yes\r\n") << 990 << 48 << false
                                     << "/start/dir";
    QTest::newRow("empty file") << QByteArray() << 990 << 48 << false << "/start/dir";
    QTest::newRow("garbage") << QByteArray("\x01\x02\xff\nno section=1\n[") << 990 << 48 << false
                             << "/start/dir";
}

void TestMainForm::settingsValues()
{
    QFETCH(QByteArray, content);
    QFETCH(int, width);
    QFETCH(int, top);
    QFETCH(bool, initMax);
    QFETCH(QString, path);
    WriteFile(SettingsPath(), content);
    QCOMPARE(Form().StartSettings().width, width);
    QCOMPARE(Form().StartSettings().top, top);
    QCOMPARE(Form().StartSettings().initMax, initMax);
    QCOMPARE(Form().LastConfigPath(), path);
    QCOMPARE(Form().width(), width);
    QCOMPARE(bool(Form().windowState() & Qt::WindowMaximized), initMax);
}

void TestMainForm::closingCreatesFile()
{
    Form().SetLastConfigPath(QStringLiteral("/home/u/cfg/car.cfg"));
    Form().show();
    QVERIFY(Form().close());
    const ProgramSettings s = ReadProgramSettings(SettingsPath(), QStringLiteral("/other"));
    QCOMPARE(s.width, 990);
    QCOMPARE(s.initMax, false);
    QCOMPARE(s.configPath, QStringLiteral("/home/u/cfg/car.cfg"));
    const QByteArray text = ReadFile(SettingsPath());
    QVERIFY(text.contains("[Form]"));
    QVERIFY(text.contains("[CONFIG]"));
    QVERIFY(text.contains("InitMax=0"));
    QVERIFY(text.contains("PATH=/home/u/cfg/car.cfg"));
}

void TestMainForm::maximisedRoundTrip()
{
    Form().show();
    Form().showMaximized();
    QVERIFY(Form().isMaximized());
    QVERIFY(Form().close());
    QVERIFY(ReadFile(SettingsPath()).contains("InitMax=1"));
    form_.reset();
    QVERIFY(Form().windowState() & Qt::WindowMaximized);
    Form().show();
    QVERIFY(Form().isMaximized());
}

void TestMainForm::closingKeepsOtherSections()
{
    WriteFile(SettingsPath(), "[FIRMWARE]\r\nPATH=/fw/x.hex\r\n[FIA]\r\nPATH=/fw/y.hex\r\n[Form]\r\nWidth=1200\r\n");
    QCOMPARE(Form().width(), 1200);
    Form().close();
    const QByteArray text = ReadFile(SettingsPath());
    QVERIFY(text.contains("PATH=/fw/x.hex"));
    QVERIFY(text.contains("PATH=/fw/y.hex"));
    QVERIFY(text.contains("Width=1200"));
}

void TestMainForm::unwritableSettingsLoseValuesSilently()
{
    QDir(dir_->path()).mkdir(QStringLiteral("relvane-tool.INI"));  // a folder in the way
    Form().show();
    QVERIFY(Form().close());
    QCOMPARE(dialogs_->Count(), 0);
}

void TestMainForm::writeIsAtomicAndComplete()
{
    ProgramSettings s;
    s.top = -20;
    s.left = 3000;
    s.width = 1280;
    s.initMax = true;
    s.configPath = QStringLiteral("C:\\cfg\\b.cfg");
    QVERIFY(WriteProgramSettings(SettingsPath(), s));
    const ProgramSettings r = ReadProgramSettings(SettingsPath(), QString());
    QCOMPARE(r.top, -20);
    QCOMPARE(r.left, 3000);
    QCOMPARE(r.width, 1280);
    QCOMPARE(r.initMax, true);
    QCOMPARE(r.configPath, s.configPath);
    // No temporary file is left beside it.
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("relvane-tool.INI")});
}

int main(int argc, char** argv)
{
    RelvaneApplication app(argc, argv);
    TestMainForm test;
    return QTest::qExec(&test, argc, argv);
}

#include "moc_test_main_form.cpp"

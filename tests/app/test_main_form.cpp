// The main window shell: menus, notebook, status bar, settings file, connection handling,
// the selection dialog and the general error display.

#include "MemoryLink.h"
#include "app/ErrorDisplay.h"
#include "app/MainForm.h"
#include "app/ProgramSettings.h"
#include "app/QtDialogs.h"
#include "app/UsbSelectForm.h"
#include "support/ScriptedDialogs.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>
#include <stdexcept>

using namespace relvane;

namespace {

QStringList L(std::initializer_list<const char*> items)
{
    QStringList list;
    for (const char* item : items)
        list << QString::fromUtf8(item);
    return list;
}

QAction* FindAction(QWidget* root, const QString& name)
{
    return root->findChild<QAction*>(name);
}

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

class TestMainForm : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<MemoryBackend> backend_;
    std::unique_ptr<MemoryLink> link_;
    std::unique_ptr<ScriptedDialogs> dialogs_;
    std::unique_ptr<TMainForm> form_;

    QString SettingsPath() const { return dir_->filePath(QStringLiteral("relvane-tool.INI")); }
    TMainForm& Form()
    {
        if (!form_)
            form_ = std::make_unique<TMainForm>(*dialogs_, *link_, SettingsPath(),
                                                QStringLiteral("/start/dir"));
        return *form_;
    }
    QLabel* Panel(int i) { return Form().findChild<QLabel*>(QStringLiteral("StatusPanel%1").arg(i)); }

private Q_SLOTS:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        backend_ = std::make_unique<MemoryBackend>();
        link_ = std::make_unique<MemoryLink>(*backend_);
        dialogs_ = std::make_unique<ScriptedDialogs>();
    }
    void cleanup()
    {
        form_.reset();
        link_.reset();
        backend_.reset();
        dialogs_.reset();
        dir_.reset();
    }

    // ---- shell ---------------------------------------------------------------

    void titleIsSetAtConstruction()
    {
        QCOMPARE(Form().windowTitle(), QStringLiteral("Relvane Tool "));
        QCOMPARE(Form().objectName(), QStringLiteral("MainForm"));
    }

    void menuTitles_data()
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
    void menuTitles()
    {
        QFETCH(QString, name);
        QFETCH(QString, title);
        auto* menu = Form().findChild<QMenu*>(name);
        QVERIFY2(menu, qPrintable(name));
        QCOMPARE(menu->title(), title);
        QVERIFY(Form().menuBar()->actions().contains(menu->menuAction()));
    }

    void menuOrder()
    {
        QStringList titles;
        for (QAction* a : Form().menuBar()->actions())
            titles << a->text();
        QCOMPARE(titles, (QStringList{QStringLiteral("&File"), QStringLiteral("&Edit"), QStringLiteral("&Connection"),
                                      QStringLiteral("Tools"), QStringLiteral("Orvik"),
                                      QStringLiteral("&Help")}));
    }

    void menuEntries_data()
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
    void menuEntries()
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

    void productionMenuHiddenUntilRevealed()
    {
        auto* menu = Form().findChild<QMenu*>(QStringLiteral("Production1"));
        QVERIFY(menu);
        QVERIFY(!menu->menuAction()->isVisible());
        Form().RevealProductionMenu();
        QVERIFY(menu->menuAction()->isVisible());
    }

    void entriesWithoutCommandAreDisabled()
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

    void functionKeysRunReadAndUpload()
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

    void notebookPages()
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

    void setPageKeepsCaptionAndDeletesOld()
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

    void pageChangeRunsPageWork()
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

    void socketInfoPage_data()
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
    void socketInfoPage()
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

    void socketInfoGroupCaptions()
    {
        QWidget* page = Form().Page(PAGE_SOCKET_INFO);
        QStringList captions;
        for (QGroupBox* b : page->findChildren<QGroupBox*>())
            captions << b->title();
        QCOMPARE(captions, (QStringList{QStringLiteral(" USB "), QStringLiteral(" CAN "),
                                        QStringLiteral(" Miscellaneous ")}));
    }

    void statusBarPanels()
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

    void settingsPath_data()
    {
        QTest::addColumn<QString>("exe");
        QTest::addColumn<QString>("ini");
        QTest::newRow("windows name") << "/opt/x/RelvaneTool.exe" << "/opt/x/RelvaneTool.INI";
        QTest::newRow("no extension") << "/usr/bin/relvane-tool" << "/usr/bin/relvane-tool.INI";
        QTest::newRow("dot in folder") << "/a.b/relvane-tool" << "/a.b/relvane-tool.INI";
        QTest::newRow("two dots") << "/x/tool.v2.bin" << "/x/tool.v2.INI";
        QTest::newRow("hidden file") << "/x/.tool" << "/x/.tool.INI";
    }
    void settingsPath()
    {
        QFETCH(QString, exe);
        QFETCH(QString, ini);
        QCOMPARE(ProgramSettingsPath(exe), ini);
    }

    void firstStartDefaults()
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

    void settingsValues_data()
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
    void settingsValues()
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

    void closingCreatesFile()
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

    void maximisedRoundTrip()
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

    void closingKeepsOtherSections()
    {
        WriteFile(SettingsPath(), "[FIRMWARE]\r\nPATH=/fw/x.hex\r\n[FIA]\r\nPATH=/fw/y.hex\r\n[Form]\r\nWidth=1200\r\n");
        QCOMPARE(Form().width(), 1200);
        Form().close();
        const QByteArray text = ReadFile(SettingsPath());
        QVERIFY(text.contains("PATH=/fw/x.hex"));
        QVERIFY(text.contains("PATH=/fw/y.hex"));
        QVERIFY(text.contains("Width=1200"));
    }

    void unwritableSettingsLoseValuesSilently()
    {
        QDir(dir_->path()).mkdir(QStringLiteral("relvane-tool.INI"));  // a folder in the way
        Form().show();
        QVERIFY(Form().close());
        QCOMPARE(dialogs_->Count(), 0);
    }

    void writeIsAtomicAndComplete()
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

    // ---- connection -------------------------------------------------------------

    void connectDevice_data()
    {
        QTest::addColumn<bool>("opens");
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("connected");
        QTest::newRow("opens") << true << "USB CONNECTED" << true;
        QTest::newRow("held by another program") << false << "NOT CONNECTED" << false;
    }
    void connectDevice()
    {
        QFETCH(bool, opens);
        QFETCH(QString, status);
        QFETCH(bool, connected);
        backend_->AddAdapter(QStringLiteral("Relvane Simulator"));
        backend_->SetOpenFails(!opens);
        int reads = 0;
        MainCommands c;
        c.read = [&] { ++reads; };
        Form().SetCommands(c);
        Form().ConnectDevice(QStringLiteral("Relvane Simulator"));
        QCOMPARE(Form().StatusText(), status);
        QCOMPARE(Form().Connected(), connected);
        QCOMPARE(Form().TimerSerial()->isActive(), connected);
        QCOMPARE(link_->IsOpen(), connected);
        if (connected) {
            QCOMPARE(Form().TimerSerial()->interval(), 400);
            QTRY_COMPARE_WITH_TIMEOUT(reads, 1, 5000);
            QVERIFY(!Form().TimerSerial()->isActive());
            QTest::qWait(600);
            QCOMPARE(reads, 1);  // once only
        }
    }

    void failedOpenKeepsConnected()
    {
        backend_->AddAdapter(QStringLiteral("A"));
        Form().ConnectDevice(QStringLiteral("A"));
        QVERIFY(Form().Connected());
        Form().ConnectDevice(QStringLiteral("missing"));
        QCOMPARE(Form().StatusText(), QStringLiteral("NOT CONNECTED"));
        QVERIFY(Form().Connected());  // never cleared during the run
    }

    void linkLostAndRestored()
    {
        backend_->AddAdapter(QStringLiteral("A"));
        int resets = 0;
        int reads = 0;
        LiveViewHooks hooks;
        hooks.resetLiveDisplay = [&] { ++resets; };
        Form().SetLiveViewHooks(hooks);
        MainCommands c;
        c.read = [&] { ++reads; };
        Form().SetCommands(c);
        Form().ConnectDevice(QStringLiteral("A"));
        Form().TimerSerial()->stop();
        Form().Module().versionText = QByteArray("V9.08");

        Form().OnLinkLost();
        QCOMPARE(Form().StatusText(), QStringLiteral("USB DISCONNECTED"));
        QCOMPARE(resets, 1);
        QVERIFY(Form().SoftwareVersion().isEmpty());
        QVERIFY(Form().Connected());

        Form().OnLinkRestored();
        QCOMPARE(Form().StatusText(), QStringLiteral("USB CONNECTED"));
        QVERIFY(Form().TimerSerial()->isActive());
        QTRY_COMPARE_WITH_TIMEOUT(reads, 1, 5000);
    }

    void linkLostBeforeConnectKeepsStatus()
    {
        Form().OnLinkLost();
        QVERIFY(Form().StatusText().isEmpty());
    }

    void timerSerialWithoutReadCommandDoesNothing()
    {
        Form().TimerSerial()->start();
        Form().TimerSerialTimer();
        QVERIFY(!Form().TimerSerial()->isActive());
        QVERIFY(link_->tx.entries.isEmpty());
    }

    // ---- selection dialog -----------------------------------------------------------

    void selectionDialogLayout()
    {
        TUSB_SelectForm dialog(*link_, [](const QString&) {});
        QCOMPARE(dialog.windowTitle(), QStringLiteral("USB"));
        QCOMPARE(dialog.size(), QSize(196, 261));
        QCOMPARE(dialog.findChild<QPushButton*>(QStringLiteral("BtnOpen"))->text(), QStringLiteral("OK"));
        QCOMPARE(dialog.findChild<QPushButton*>(QStringLiteral("BtnCancel"))->text(),
                 QStringLiteral("Cancel"));
        QVERIFY(dialog.findChild<QListWidget*>(QStringLiteral("ListBox1")));
        QCOMPARE(dialog.TimerUsbList()->interval(), 300);
        QVERIFY(!dialog.TimerUsbList()->isActive());
    }

    void selectionDialogOpensAndRefreshes()
    {
        backend_->AddAdapter(QStringLiteral("FT232R USB UART"));
        backend_->AddAdapter(QStringLiteral("Broken"), false);
        link_->Open(QStringLiteral("FT232R USB UART"));
        QVERIFY(link_->IsOpen());
        TUSB_SelectForm dialog(*link_, [](const QString&) {});
        dialog.show();
        // Opening closes the link and lists the readable adapters, the first selected.
        QVERIFY(!link_->IsOpen());
        QListWidget* list = dialog.ListBox1();
        QCOMPARE(list->count(), 1);
        QCOMPARE(list->currentRow(), 0);
        QVERIFY(dialog.TimerUsbList()->isActive());

        backend_->AddAdapter(QStringLiteral("Relvane Simulator"));
        QTRY_COMPARE_WITH_TIMEOUT(list->count(), 2, 3000);
        QCOMPARE(list->item(1)->text(), QStringLiteral("Relvane Simulator"));
        QCOMPARE(list->currentRow(), 0);

        // The user picks the second; a swap that keeps the count is not shown.
        list->setCurrentRow(1);
        dialog.TimerUsbList()->stop();  // no tick between the two steps of the swap
        backend_->RemoveAdapter(QStringLiteral("FT232R USB UART"));
        backend_->AddAdapter(QStringLiteral("Other adapter"));
        dialog.TimerUsbList()->start();
        QSignalSpy ticks(dialog.TimerUsbList(), &QTimer::timeout);
        QTRY_VERIFY_WITH_TIMEOUT(ticks.count() >= 2, 10000);
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->item(0)->text(), QStringLiteral("FT232R USB UART"));
        QCOMPARE(list->currentRow(), 1);

        // Fewer adapters: the list is replaced and the first selected again.
        backend_->RemoveAdapter(QStringLiteral("Relvane Simulator"));
        QTRY_COMPARE_WITH_TIMEOUT(list->count(), 1, 3000);
        QCOMPARE(list->item(0)->text(), QStringLiteral("Other adapter"));
        QCOMPARE(list->currentRow(), 0);

        dialog.BtnCancelClick();
        QVERIFY(!dialog.TimerUsbList()->isActive());
        QVERIFY(!dialog.isVisible());
    }

    void selectionDialogButtons_data()
    {
        QTest::addColumn<int>("adapters");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QStringList>("connected");
        QTest::newRow("ok connects the selected") << 2 << true << L({"Adapter 2"});
        QTest::newRow("cancel connects nothing") << 2 << false << QStringList();
        QTest::newRow("ok with no adapter") << 0 << true << QStringList();
    }
    void selectionDialogButtons()
    {
        QFETCH(int, adapters);
        QFETCH(bool, ok);
        QFETCH(QStringList, connected);
        for (int i = 1; i <= adapters; ++i)
            backend_->AddAdapter(QStringLiteral("Adapter %1").arg(i));
        QStringList calls;
        TUSB_SelectForm dialog(*link_, [&](const QString& d) { calls << d; });
        dialog.show();
        if (adapters > 1)
            dialog.ListBox1()->setCurrentRow(1);
        const int closesBefore = link_->closes;
        QTest::mouseClick(dialog.findChild<QPushButton*>(ok ? QStringLiteral("BtnOpen")
                                                            : QStringLiteral("BtnCancel")),
                          Qt::LeftButton);
        QCOMPARE(calls, connected);
        QVERIFY(!dialog.isVisible());
        QVERIFY(!dialog.TimerUsbList()->isActive());
        // OK closes the link once more before connecting; Cancel leaves it closed.
        QCOMPARE(link_->closes - closesBefore, ok ? 1 : 0);
    }

    void usbMenuThroughMainWindow()
    {
        backend_->AddAdapter(QStringLiteral("Relvane Simulator"));
        TUSB_SelectForm dialog(*link_, [this](const QString& d) { Form().ConnectDevice(d); });
        Form().SetUsbSelectForm(&dialog);
        QTimer::singleShot(50, &dialog, [&dialog] {
            QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("BtnOpen")), Qt::LeftButton);
        });
        FindAction(&Form(), QStringLiteral("USB1"))->trigger();
        QCOMPARE(Form().StatusText(), QStringLiteral("USB CONNECTED"));
        QVERIFY(Form().Connected());
        QVERIFY(link_->IsOpen());

        // Opening again while connected and cancelling leaves the adapter closed and the text.
        QTimer::singleShot(50, &dialog, [&dialog] { dialog.BtnCancelClick(); });
        FindAction(&Form(), QStringLiteral("USB1"))->trigger();
        QVERIFY(!link_->IsOpen());
        QCOMPARE(Form().StatusText(), QStringLiteral("USB CONNECTED"));
        QVERIFY(Form().Connected());
    }

    // ---- general error display --------------------------------------------------------

    void handlerExceptionReachesErrorDisplay()
    {
        auto* app = static_cast<RelvaneApplication*>(qApp);
        ErrorDisplay display(*dialogs_);
        app->SetErrorDisplay(&display);
        MainCommands c;
        int after = 0;
        c.pingTest = [] { throw std::runtime_error("'12x' is not a valid number"); };
        c.eeprom = [&] { ++after; };
        Form().SetCommands(c);
        Form().RevealProductionMenu();
        Form().show();
        QVERIFY(QTest::qWaitForWindowExposed(&Form()));
        // A timer-driven handler: delivered as an event, so it passes notify().
        QTimer::singleShot(0, &Form(), [this] { FindAction(&Form(), QStringLiteral("PingTest1"))->trigger(); });
        QTRY_COMPARE_WITH_TIMEOUT(dialogs_->Count(), 1, 3000);
        QCOMPARE(dialogs_->Calls().first().messageKind, MessageKind::Error);
        QCOMPARE(dialogs_->LastText(), QStringLiteral("'12x' is not a valid number"));
        // The program goes on: the window is there and the next handler runs.
        QVERIFY(Form().isVisible());
        QTimer::singleShot(0, &Form(), [this] { FindAction(&Form(), QStringLiteral("Eeprom"))->trigger(); });
        QTRY_COMPARE_WITH_TIMEOUT(after, 1, 3000);
        QCOMPARE(display.Shown(), 1);
        app->SetErrorDisplay(nullptr);
    }

    void nonStandardExceptionAndGuard()
    {
        ErrorDisplay display(*dialogs_);
        QVERIFY(!RunGuarded(display, [] { throw 42; }));
        QVERIFY(RunGuarded(display, [] {}));
        QVERIFY(!RunGuarded(display, [] { throw std::out_of_range("index 35 out of range"); }));
        QCOMPARE(dialogs_->Texts(), (QStringList{QStringLiteral("An unexpected error occurred."),
                                                 QStringLiteral("index 35 out of range")}));
        QCOMPARE(display.Shown(), 2);
    }

    void keyHandlerExceptionIsShown()
    {
        auto* app = static_cast<RelvaneApplication*>(qApp);
        ErrorDisplay display(*dialogs_);
        app->SetErrorDisplay(&display);
        MainCommands c;
        c.read = [] { throw std::runtime_error("read failed"); };
        Form().SetCommands(c);
        Form().show();
        QVERIFY(QTest::qWaitForWindowExposed(&Form()));
        QTest::keyClick(Form().Notebook(), Qt::Key_F8);
        QCOMPARE(dialogs_->LastText(), QStringLiteral("read failed"));
        app->SetErrorDisplay(nullptr);
    }

    // ---- dialogs helpers ---------------------------------------------------------------

    void nameFilters_data()
    {
        QTest::addColumn<QString>("pipe");
        QTest::addColumn<QStringList>("qt");
        QTest::newRow("config") << "config files (*.cfg)|*.CFG" << L({"config files (*.cfg)"});
        QTest::newRow("two entries") << "Text files (*.txt)|*.txt|Bin files (*.bin)|*.bin"
                                     << L({"Text files (*.txt)", "Bin files (*.bin)"});
        QTest::newRow("text without patterns") << "Intel HEX|*.hex;*.HEX"
                                               << L({"Intel HEX (*.hex *.HEX)"});
        QTest::newRow("patterns differ") << "Log (*.log)|*.txt" << L({"Log (*.log) (*.txt)"});
        QTest::newRow("missing pattern") << "All" << L({"All (*)"});
        QTest::newRow("empty") << "" << QStringList();
    }
    void nameFilters()
    {
        QFETCH(QString, pipe);
        QFETCH(QStringList, qt);
        QCOMPARE(QtNameFilters(pipe), qt);
    }

    void defaultSuffix_data()
    {
        QTest::addColumn<QString>("ext");
        QTest::addColumn<QString>("suffix");
        QTest::newRow("dot") << ".cfg" << "cfg";
        QTest::newRow("plain") << "hex" << "hex";
        QTest::newRow("two") << "txt|bin" << "txt";
        QTest::newRow("none") << "" << "";
    }
    void defaultSuffix()
    {
        QFETCH(QString, ext);
        QFETCH(QString, suffix);
        QCOMPARE(QtDefaultSuffix(ext), suffix);
    }

    // The Qt open dialog as File -> Open and the other open dialogs set it up: a typed name
    // that does not exist is returned only where it may.
    void openDialogNameThatDoesNotExist_data()
    {
        QTest::addColumn<bool>("mustExist");
        QTest::newRow("File Open") << false;
        QTest::newRow("other open dialogs") << true;
    }
    void openDialogNameThatDoesNotExist()
    {
        QFETCH(bool, mustExist);
        QTemporaryDir dir;
        const QString missing = dir.filePath(QStringLiteral("new truck.cfg"));
        QFileDialog::FileMode mode = QFileDialog::Directory;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            mode = dialog->fileMode();
            // Offscreen there is no desktop dialog: this is the one File -> Open shows anywhere.
            if (!mustExist)
                QVERIFY(dialog->testOption(QFileDialog::DontUseNativeDialog));
            dialog->selectFile(missing);
            // Accepting a name that is not there where one must exist only warns (and waits).
            if (mode != QFileDialog::AnyFile)
                dialog->reject();
            else
                static_cast<QDialog*>(dialog)->accept();  // as the Open button does
        });
        QtDialogs dialogs;
        FileDialogOptions o;
        o.filter = QStringLiteral("config files (*.cfg)|*.CFG");
        o.initialFolder = dir.path();
        o.mustExist = mustExist;
        const std::optional<QString> chosen = dialogs.OpenFile(o);
        QCOMPARE(mode, mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        QCOMPARE(chosen.has_value(), !mustExist);
        if (chosen)
            QCOMPARE(QFileInfo(*chosen).absoluteFilePath(), QFileInfo(missing).absoluteFilePath());
    }

    void scriptedDialogsDefaults()
    {
        ScriptedDialogs d;
        QVERIFY(!d.WarningYesNo(QStringLiteral("Overwrite ?")));
        d.QueueAnswer(MessageAnswer::Yes);
        QVERIFY(d.QuestionYesNo(QStringLiteral("Reboot?")));
        QCOMPARE(d.Unscripted(), 1);
        QVERIFY(!d.OpenFile({}).has_value());
        d.QueueFile(QStringLiteral("/x.cfg"));
        QCOMPARE(d.SaveFile({}).value_or(QString()), QStringLiteral("/x.cfg"));
        QCOMPARE(d.Unscripted(), 2);
        QCOMPARE(d.Count(), 4);
        QCOMPARE(d.Texts(), (QStringList{QStringLiteral("Overwrite ?"), QStringLiteral("Reboot?")}));
    }
};

int main(int argc, char** argv)
{
    RelvaneApplication app(argc, argv);
    TestMainForm test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_main_form.moc"

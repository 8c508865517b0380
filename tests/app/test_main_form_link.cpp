// The main window's connection handling, the selection dialog, the general error display
// and the dialogs helpers.

#include "test_main_form.h"

#include "app/ErrorDisplay.h"
#include "app/QtDialogs.h"
#include "app/UsbSelectForm.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <stdexcept>

using namespace relvane;

// ---- connection -------------------------------------------------------------

void TestMainForm::connectDevice_data()
{
    QTest::addColumn<bool>("opens");
    QTest::addColumn<QString>("status");
    QTest::addColumn<bool>("connected");
    QTest::newRow("opens") << true << "USB CONNECTED" << true;
    QTest::newRow("held by another program") << false << "NOT CONNECTED" << false;
}

void TestMainForm::connectDevice()
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

void TestMainForm::failedOpenKeepsConnected()
{
    backend_->AddAdapter(QStringLiteral("A"));
    Form().ConnectDevice(QStringLiteral("A"));
    QVERIFY(Form().Connected());
    Form().ConnectDevice(QStringLiteral("missing"));
    QCOMPARE(Form().StatusText(), QStringLiteral("NOT CONNECTED"));
    QVERIFY(Form().Connected());  // never cleared during the run
}

void TestMainForm::linkLostAndRestored()
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

void TestMainForm::linkLostBeforeConnectKeepsStatus()
{
    Form().OnLinkLost();
    QVERIFY(Form().StatusText().isEmpty());
}

void TestMainForm::timerSerialWithoutReadCommandDoesNothing()
{
    Form().TimerSerial()->start();
    Form().TimerSerialTimer();
    QVERIFY(!Form().TimerSerial()->isActive());
    QVERIFY(link_->tx.entries.isEmpty());
}

// ---- selection dialog -----------------------------------------------------------

void TestMainForm::selectionDialogLayout()
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

void TestMainForm::selectionDialogOpensAndRefreshes()
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

void TestMainForm::selectionDialogButtons_data()
{
    QTest::addColumn<int>("adapters");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QStringList>("connected");
    QTest::newRow("ok connects the selected") << 2 << true << L({"Adapter 2"});
    QTest::newRow("cancel connects nothing") << 2 << false << QStringList();
    QTest::newRow("ok with no adapter") << 0 << true << QStringList();
}

void TestMainForm::selectionDialogButtons()
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

void TestMainForm::usbMenuThroughMainWindow()
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

void TestMainForm::handlerExceptionReachesErrorDisplay()
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

void TestMainForm::nonStandardExceptionAndGuard()
{
    ErrorDisplay display(*dialogs_);
    QVERIFY(!RunGuarded(display, [] { throw 42; }));
    QVERIFY(RunGuarded(display, [] {}));
    QVERIFY(!RunGuarded(display, [] { throw std::out_of_range("index 35 out of range"); }));
    QCOMPARE(dialogs_->Texts(), (QStringList{QStringLiteral("An unexpected error occurred."),
                                             QStringLiteral("index 35 out of range")}));
    QCOMPARE(display.Shown(), 2);
}

void TestMainForm::keyHandlerExceptionIsShown()
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

void TestMainForm::nameFilters_data()
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

void TestMainForm::nameFilters()
{
    QFETCH(QString, pipe);
    QFETCH(QStringList, qt);
    QCOMPARE(QtNameFilters(pipe), qt);
}

void TestMainForm::defaultSuffix_data()
{
    QTest::addColumn<QString>("ext");
    QTest::addColumn<QString>("suffix");
    QTest::newRow("dot") << ".cfg" << "cfg";
    QTest::newRow("plain") << "hex" << "hex";
    QTest::newRow("two") << "txt|bin" << "txt";
    QTest::newRow("none") << "" << "";
}

void TestMainForm::defaultSuffix()
{
    QFETCH(QString, ext);
    QFETCH(QString, suffix);
    QCOMPARE(QtDefaultSuffix(ext), suffix);
}

// The Qt open dialog as File -> Open and the other open dialogs set it up: a typed name
// that does not exist is returned only where it may.
void TestMainForm::openDialogNameThatDoesNotExist_data()
{
    QTest::addColumn<bool>("mustExist");
    QTest::newRow("File Open") << false;
    QTest::newRow("other open dialogs") << true;
}

void TestMainForm::openDialogNameThatDoesNotExist()
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

void TestMainForm::scriptedDialogsDefaults()
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

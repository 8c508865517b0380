// Enter in the dialog windows: typed into a text field, a list or the window itself it presses
// no button (Qt's dialogs would press their first one: upload the production data, start an
// EEPROM read), except the About window's OK, the one control that window focuses.

#include "MemoryLink.h"
#include "app/UsbSelectForm.h"
#include "config/ui/CompareForm.h"
#include "firmware/ui/FIAForm.h"
#include "firmware/ui/FirmwareForm.h"
#include "monitor/MonitorTestSupport.h"
#include "monitor/ui/AboutForm.h"
#include "monitor/ui/PingForm.h"
#include "protocol/ui/UpdateForm.h"
#include "support/ScriptedDialogs.h"
#include "tools/FakeToolHost.h"
#include "tools/ui/CalibrationForm.h"
#include "tools/ui/EepromForm.h"
#include "tools/ui/RunTimeErrorForm.h"
#include "tools/ui/SystemSetupForm.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include <functional>
#include <map>
#include <memory>

using namespace relvane;

namespace {

// The main window as the firmware windows see it: connected, no settings, frames counted.
struct FirmwareMain final : FirmwareHost, TxSink {
    ScriptedDialogs dialogs;
    int entries = 0;
    TxSink& TxQueue() override { return *this; }
    bool AddToTxQueue(const std::uint8_t*, int) override { return ++entries > 0; }
    bool SetRxMode(int) override { return true; }
    void SetRawByteHandler(RawByteHandler*) override {}
    void SetFirmwareBusy(bool) override {}
    void StopStatusPolling() override {}
    void ResumeStatusPolling() override {}
    void ResetLiveDisplay() override {}
    void PauseMs(int) override {}
    void RegisterFirmwareCompare(ToolFrameListener*) override {}
    QString ReadSetting(const QString&, const QString&) override { return {}; }
    void WriteSetting(const QString&, const QString&, const QString&) override {}
    Dialogs& Boxes() override { return dialogs; }
    void ShowError(const std::exception&) override {}
    QByteArray SoftwareVersionText() const override { return "9.08"; }
};

// Every host a window may send through or ask with, and the windows made over them.
struct Rig {
    ScriptedDialogs dialogs;
    FakeToolHost tools;
    test::FakeHost monitor;
    FirmwareMain firmware;
    RecordingTx pingTx;
    PingState ping;
    ConfigModel model;
    MemoryBackend backend;
    MemoryLink link{backend};
    int connects = 0;

    Rig() { backend.AddAdapter(QStringLiteral("Relvane Simulator")); }

    int Frames() const
    {
        return int(tools.sent.size() + monitor.queue.Entries() + pingTx.entries.size() + link.tx.entries.size())
               + firmware.entries;
    }
    int Boxes() const { return dialogs.Count() + tools.dialogs.Count() + firmware.dialogs.Count(); }

    std::unique_ptr<QDialog> Make(const QString& window)
    {
        const std::map<QString, std::function<QDialog*()>> makers = {
            {QStringLiteral("system setup"), [&] { return new TSystemSetupForm(tools); }},
            {QStringLiteral("calibration"), [&] { return new TCalibrationForm(tools); }},
            {QStringLiteral("runtime error"), [&] { return new TRunTimeErrorForm(tools); }},
            {QStringLiteral("EEPROM"), [&] { return new TEEPROMForm(tools); }},
            {QStringLiteral("ping"), [&] { return new TPingForm(pingTx, ping, dialogs); }},
            {QStringLiteral("firmware"), [&] { return new TFirmware(firmware); }},
            {QStringLiteral("firmware compare"), [&] { return new TFIA_Form(firmware); }},
            {QStringLiteral("compare configuration"),
             [&] { return new TCompareForm(model, dialogs, {}, TCompareForm::Hooks{}); }},
            {QStringLiteral("USB select"),
             [&] { return new TUSB_SelectForm(link, [&](const QString&) { ++connects; }); }},
            {QStringLiteral("progress"), [&] { return new TUpdateForm(dialogs); }},
            {QStringLiteral("about"), [&] { return new TAboutForm(monitor, nullptr, [](const QString&) {}); }},
        };
        const auto it = makers.find(window);
        return it == makers.end() ? nullptr : std::unique_ptr<QDialog>(it->second());
    }
};

// Where a user can type Enter: text fields, memos, lists and grids, and the window itself.
QList<QWidget*> EnterTargets(QDialog& w)
{
    QList<QWidget*> targets;
    for (QWidget* child : w.findChildren<QWidget*>()) {
        const bool typed = qobject_cast<QLineEdit*>(child) || qobject_cast<QPlainTextEdit*>(child)
                           || qobject_cast<QAbstractItemView*>(child);
        if (typed && child->isVisibleTo(&w) && child->isEnabled() && child->focusPolicy() != Qt::NoFocus)
            targets.append(child);
    }
    targets.append(&w);
    return targets;
}

}  // namespace

class TestEnterKeys : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void enterPressesOnlyTheWindowsDefault_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("enterButton");  // empty: Enter presses none
        QTest::addColumn<int>("fields");           // text fields, memos and lists at least
        QTest::newRow("system setup") << "system setup" << "" << 4;
        QTest::newRow("calibration") << "calibration" << "" << 37;
        QTest::newRow("runtime error") << "runtime error" << "" << 1;
        QTest::newRow("EEPROM") << "EEPROM" << "" << 7;
        QTest::newRow("ping") << "ping" << "" << 2;
        QTest::newRow("firmware") << "firmware" << "" << 1;
        QTest::newRow("firmware compare") << "firmware compare" << "" << 2;
        QTest::newRow("compare configuration") << "compare configuration" << "" << 1;
        QTest::newRow("USB select") << "USB select" << "" << 1;
        QTest::newRow("progress") << "progress" << "" << 0;
        QTest::newRow("about") << "about" << "OKBtn" << 0;
    }
    void enterPressesOnlyTheWindowsDefault()
    {
        QFETCH(QString, window);
        QFETCH(QString, enterButton);
        QFETCH(int, fields);
        Rig rig;
        const std::unique_ptr<QDialog> w = rig.Make(window);
        QVERIFY(w);
        w->show();
        // Activation sends the system setup's request: counted before the keys.
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        QCoreApplication::processEvents();
        std::map<QString, int> clicks;
        for (QPushButton* b : w->findChildren<QPushButton*>())
            connect(b, &QPushButton::clicked, this, [&clicks, b] { ++clicks[b->objectName()]; });
        const int frames = rig.Frames();
        const int boxes = rig.Boxes();

        const QList<QWidget*> targets = EnterTargets(*w);
        QVERIFY2(targets.size() > fields, qPrintable(QString::number(targets.size())));
        for (QWidget* target : targets) {
            if (!w->isVisible())
                break;
            target->setFocus();
            QTest::keyClick(target, Qt::Key_Return);
            QTest::keyClick(target, Qt::Key_Enter, Qt::KeypadModifier);
            if (enterButton.isEmpty())
                QVERIFY2(clicks.empty() && w->isVisible(), qPrintable(target->objectName()));
        }

        if (enterButton.isEmpty()) {
            QCOMPARE(rig.Frames(), frames);
            QCOMPARE(rig.Boxes(), boxes);
            QCOMPARE(rig.connects, 0);
        } else {
            QCOMPARE(clicks.size(), std::size_t(1));
            QCOMPARE(clicks.begin()->first, enterButton);
            QVERIFY(!w->isVisible());
        }
    }
};

QTEST_MAIN(TestEnterKeys)
#include "test_enter_keys.moc"

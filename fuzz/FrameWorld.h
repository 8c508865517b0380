#pragma once
// The receive side of the program as the fuzzers see it: the dispatcher with
// every tool window's core in its slot, the live monitor and a configuration
// block reader as main-window handlers, and quiet hosts around them. Built
// fresh for every input, so an input's outcome never depends on the one before.

#include "FuzzSupport.h"

#include "config/ConfigModel.h"
#include "firmware/FirmwareCompare.h"
#include "monitor/LiveMonitor.h"
#include "monitor/MonitorHost.h"
#include "monitor/ServiceConsoles.h"
#include "protocol/BlockCodec.h"
#include "protocol/Dispatcher.h"
#include "tools/Calibration.h"
#include "tools/EepromTool.h"
#include "tools/RuntimeErrorLog.h"
#include "tools/SystemSetup.h"
#include "tools/ToolHost.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTime>

#include <cstdint>
#include <optional>

namespace relvane::fuzzing {

class WorldToolHost final : public ToolHost {
public:
    CheckingTxSink tx;
    SilentDialogs dialogs;
    int beeps = 0;

    TxSink& TxQueue() override { return tx; }
    Dialogs& Boxes() override { return dialogs; }
    bool Connected() const override { return true; }
    QByteArray SoftwareVersionText() const override { return QByteArrayLiteral("9.08"); }
    void Beep() override { ++beeps; }
    // The world puts every window into the dispatcher itself.
    void RegisterToolWindow(ToolSlot, ToolFrameListener*) override {}
    void UnregisterToolWindow(ToolSlot, ToolFrameListener*) override {}
    void SetCalibrationWindowVisible(bool) override {}
    void SetCalibrationWindowExists(bool) override {}
};

class WorldMonitorHost final : public MonitorHost {
public:
    explicit WorldMonitorHost(TxSink& tx) : tx_(tx) {}
    ModuleInfo module;
    bool Connected() const override { return true; }
    bool TransferBusy() const override { return false; }
    bool FirmwareBusy() const override { return false; }
    TxSink& TxQueue() override { return tx_; }
    bool CalibrationWindowExists() const override { return false; }
    bool CalibrationWindowVisible() const override { return false; }
    QString CurrentPageCaption() const override { return QStringLiteral("General"); }
    void OnOtherPageSelected(int) override {}
    bool AboutWindowExists() const override { return true; }
    ModuleInfo& Module() override { return module; }
    void UpdateTitle() override {}
    void ServeNamePropagation() override {}
    void ShowActivityLamps(int) override {}
    void RevealProductionMenu() override {}
    void PauseMs(int) override {}

private:
    TxSink& tx_;
};

// Checks every channel, input and lamp number the live view paints.
class WorldLiveDisplay final : public LiveDisplay {
public:
    bool manual = false;
    void ShowStatus(const StatusTexts&) override {}
    void ShowIdleStatus(const LiveLook&) override {}
    void ShowChannelState(int channel, const LiveLook&) override {
        FUZZ_CHECK(channel >= 1 && channel <= HIGH_POWER_CHANNELS);
    }
    void ShowChannelButton(int channel, const LiveLook&) override {
        FUZZ_CHECK(channel >= 1 && channel <= CHANNEL_COUNT);
    }
    void ShowInput(int input, const LiveLook&) override { FUZZ_CHECK(input >= 1 && input <= INPUT_COUNT); }
    void ShowCanInput(int canInput, const LiveLook&) override {
        FUZZ_CHECK(canInput >= 1 && canInput <= CAN_INPUT_COUNT);
    }
    void SetChannelButtonsEnabled(bool) override {}
    bool AutoSelected() const override { return !manual; }
    bool ManualSelected() const override { return manual; }
};

class WorldCompareView final : public FirmwareCompareView {
public:
    void ShowMessage(const QString&) override {}
    void AddStatusLine(const QString&) override {}
    void AddFileLine(const QString&) override {}
    void AddTargetLine(const QString&) override {}
    void ClearFileLines() override {}
    void ClearTargetLines() override {}
    void SetProgress(int percent) override { FUZZ_CHECK(percent >= 0 && percent <= 100); }
    void SetPercentText(const QString&) override {}
};

class WorldLink final : public LinkControl {
public:
    int resends = 0;
    void ResendLastFrame() override { ++resends; }
};

// The ping and version windows keep their logic in classes that take frames
// through OnFrame; the windows forward what the dispatcher offers.
class PingWindow final : public ToolFrameListener {
public:
    PingWindow(TxSink& tx, PingState& state)
        : test(tx, state, [this](int n) { return n > 0 ? int(next_++ % unsigned(n)) : 0; },
               [] { return QTime(12, 0); }) {}
    PingTest test;
    int errors = 0;
    void OnToolFrame(const std::uint8_t* frame, int count) override {
        if (test.OnFrame(frame, count).dataError) ++errors;
    }

private:
    unsigned next_ = 7;
};

class VersionWindow final : public ToolFrameListener {
public:
    VersionCheck check;
    void OnToolFrame(const std::uint8_t* frame, int count) override {
        if (check.OnFrame(frame, count)) FUZZ_CHECK(check.VersionText().size() <= 20);
    }
};

// The main window's configuration side: every block read back goes into the model.
class BlockReader final : public MainFrameHandler {
public:
    explicit BlockReader(ConfigModel& model) : model_(model) {}
    int blocks = 0;
    void OnConfigBlockRead(std::uint8_t command, const std::uint8_t* frame, int count) override {
        FUZZ_CHECK(frame[FRAME_COMMAND] == command);
        if (DecodeConfigBlock(model_, frame, count)) ++blocks;
    }
    void OnConfigBlockWritten(std::uint8_t, int index) override { FUZZ_CHECK(index >= -1 && index <= 255); }
    void OnChannelState(const ChannelState& s) override {
        FUZZ_CHECK(s.valid && s.channel >= 1 && s.channel <= CHANNEL_COUNT);
    }
    void OnCanMonitor(const CanMonitorMessage& m) override { FUZZ_CHECK(m.dataCount >= 0 && m.dataCount <= 8); }
    void OnVersion(const VersionInfo& v) override { FUZZ_CHECK(v.text.size() <= 20); }

private:
    ConfigModel& model_;
};

// A small valid HEX image, so the firmware compare can be started.
inline QString CompareImagePath() {
    static const QString path = [] {
        const QString p = QDir::temp().filePath(
            QStringLiteral("relvane-fuzz-compare-%1.hex").arg(QCoreApplication::applicationPid()));
        QFile f(p);
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write(":10000000000102030405060708090A0B0C0D0E0F78\r\n:00000001FF\r\n");
        return p;
    }();
    return path;
}

struct FrameWorld {
    WorldToolHost toolHost;
    WorldMonitorHost monitorHost{toolHost.tx};
    WorldLiveDisplay display;
    WorldCompareView compareView;
    WorldLink link;
    Dispatcher dispatcher{&link};

    SystemSetupTool systemSetup{toolHost};
    CalibrationTool calibration{toolHost};
    RuntimeErrorLog runtimeErrors{toolHost};
    // The EEPROM and firmware compare windows hold large buffers; like in the
    // program they exist only while open (Setup opens them).
    std::optional<EepromTool> eeprom;
    PingState pingState;
    PingWindow ping{toolHost.tx, pingState};
    VersionWindow version;
    std::optional<FirmwareCompare> compare;

    LiveMonitor live{monitorHost};
    ConfigModel model;
    BlockReader blocks{model};

    FrameWorld() {
        dispatcher.RegisterToolWindow(ToolSlot::Ping, &ping);
        dispatcher.RegisterToolWindow(ToolSlot::SystemSetup, &systemSetup);
        dispatcher.RegisterToolWindow(ToolSlot::Calibration, &calibration);
        dispatcher.RegisterToolWindow(ToolSlot::RunTimeError, &runtimeErrors);
        dispatcher.RegisterToolWindow(ToolSlot::Version, &version);
        live.SetDisplay(&display);
        FUZZ_CHECK(dispatcher.AddHandler(&live));
        FUZZ_CHECK(dispatcher.AddHandler(&blocks));
        // No event loop runs: the fuzzer drives the timers through Tick().
        live.Timer1().stop();
    }

    // What the user opened and started before the module's bytes arrive, one bit each.
    void Setup(std::uint8_t mask) {
        if (mask & 0x01) systemSetup.Activate();
        if (mask & 0x02) runtimeErrors.Activate();
        if (mask & 0x04) {
            eeprom.emplace(toolHost);
            dispatcher.RegisterToolWindow(ToolSlot::Eeprom, &*eeprom);
            eeprom->Show();
            eeprom->setFieldText(EepromTool::EepromStart, QStringLiteral("0008"));
            eeprom->setFieldText(EepromTool::EepromEnd, QStringLiteral("0100"));
            if (mask & 0x08) eeprom->StartWrite();
            else eeprom->StartRead();
        }
        if (mask & 0x10) ping.test.Ping();
        if (mask & 0x20) {
            compare.emplace(toolHost.tx, compareView,
                            FirmwareCompare::Hooks{[](int) {},
                                                   [] { return QDateTime(QDate(2016, 3, 13), QTime(12, 0)); }});
            dispatcher.RegisterToolWindow(ToolSlot::FirmwareCompare, &*compare);
            compare->SetRememberedPath(CompareImagePath());
            compare->Start(CompareImagePath(), QStringLiteral("9.08"));
        }
        if (mask & 0x40) calibration.StoreOffsets();
        if (mask & 0x80) {
            display.manual = true;
            live.RadioButtonManuelClick();
        }
    }

    // One timer running out; which one is taken from the fuzzer's byte.
    void Tick(std::uint8_t which) {
        switch (which % 8) {
        case 0: if (eeprom) eeprom->TimeoutTick(); break;
        case 1: calibration.RefreshTimerTick(); break;
        case 2: if (compare) compare->TimerRequestTimer(); break;
        case 3: ping.test.TimerTick(); break;
        case 4: version.check.Timer1Timer(); break;
        case 5: version.check.Timer2Timer(); break;
        case 6: live.Timer1Timer(); break;
        case 7: live.TimerVersionTimer(); break;
        }
    }

    // Checks that hold after any sequence of frames.
    void CheckState() const {
        if (eeprom) FUZZ_CHECK(eeprom->progress() >= 0 && eeprom->progress() <= 100);
        if (compare) FUZZ_CHECK(compare->address() >= 0 && compare->address() <= FirmwareCompare::IMAGE_SIZE);
        FUZZ_CHECK(runtimeErrors.count() >= 0 && runtimeErrors.count() <= 255);
        FUZZ_CHECK(calibration.refreshChannel() >= 1 && calibration.refreshChannel() <= 18);
        FUZZ_CHECK(live.PollPhase() >= 0 && live.PollPhase() <= 2);
    }
};

}  // namespace relvane::fuzzing

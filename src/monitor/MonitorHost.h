#pragma once
// What the live view, the heartbeat and the service windows need from the main
// window. TMainForm implements it; tests use a fake that records every call.

#include "link/FrameCodec.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace relvane {

// The module's version and run-time statistics, kept by the main window for
// the About window (and the firmware compare). Zero / empty at start.
struct ModuleInfo {
    QByteArray versionText;              // Windows-1252 bytes; empty until a version answer
    std::uint32_t secondsSincePowerUp = 0;
    std::uint32_t maxCurrentTenths = 0;  // 0.1 A
    std::uint8_t maxTemperature = 0;     // degrees Celsius
    std::uint8_t watchdogCount = 0;
};

class MonitorHost {
public:
    virtual ~MonitorHost() = default;

    // Flags owned by others; only read here.
    virtual bool Connected() const = 0;
    virtual bool TransferBusy() const = 0;
    virtual bool FirmwareBusy() const = 0;

    // The link's transmit queue; every frame of this area goes there.
    virtual TxSink& TxQueue() = 0;

    // The calibration window takes the link over while it is visible: polling
    // and the heartbeat hold back, and the watchdog does not clear the view
    // while it exists at all.
    virtual bool CalibrationWindowExists() const = 0;
    virtual bool CalibrationWindowVisible() const = 0;

    // Caption of the notebook page shown now; the poll runs only on "General".
    virtual QString CurrentPageCaption() const = 0;

    // Page-change work of the pages other than "General" (diagnostic request,
    // first CAN input / virtual input selection, CAN monitor selector). Called
    // by the page-change handler for every index but 0, after the index is
    // stored and before live polling is stopped.
    virtual void OnOtherPageSelected(int index) = 0;

    // STATISTICS_REQ follows each VERSION_REQ only while the About window exists.
    virtual bool AboutWindowExists() const = 0;

    // Storage of the module's version and statistics.
    virtual ModuleInfo& Module() = 0;

    // Heartbeat hooks, called from each version-timer tick that is not skipped:
    // the window title, then a pending name propagation (the names-changed flag
    // is tested, cleared and served by the host).
    virtual void UpdateTitle() = 0;
    virtual void ServeNamePropagation() = 0;

    // Shows the three activity lamps on the notebook: lamp `lit` (0 to 2) lit,
    // the other two dark.
    virtual void ShowActivityLamps(int lit) = 0;

    // Makes the hidden production menu visible for the rest of the run.
    virtual void RevealProductionMenu() = 0;

    // Blocks the user-interface thread for ms milliseconds (the pauses between
    // requests the module expects).
    virtual void PauseMs(int ms) = 0;
};

}  // namespace relvane

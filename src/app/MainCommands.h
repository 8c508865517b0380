#pragma once
// What the main window's menu entries, keys and timers run, and what the live view does for
// it: each area attaches its own functions when its windows exist.

#include <functional>

namespace relvane {

// What the menu entries and timers of the main window run. Each area attaches its own
// when its windows exist; an entry with no command is shown disabled.
struct MainCommands {
    std::function<void()> open;          // "&Open"
    std::function<void()> save;          // "Save"
    std::function<void()> exportCanDatabase;  // "Export CAN database…"
    std::function<void()> exportSheet;   // "Export sheet…"
    std::function<void()> read;          // "Read  F8", and TimerSerial after a connection
    std::function<void()> readAfterConnect;  // TimerSerial's read when set (it may ask first)
    std::function<void()> upload;        // "Upload  F9"
    std::function<void()> defaults;      // "Default settings"
    std::function<void()> firmware;      // "Tools" -> "Firmware"
    std::function<void()> fia;           // "Tools" -> "FIA "
    std::function<void()> compare;       // "Tools" -> "Compare configuration…"
    std::function<void()> trend;         // "Tools" -> "Trend…"
    std::function<void()> history;       // "Tools" -> "History…"
    std::function<void()> systemSetup;   // production menu
    std::function<void()> calibration;
    std::function<void()> pingTest;
    std::function<void()> runtimeError;
    std::function<void()> eeprom;
    std::function<void()> station;       // production menu -> "Station…"
    std::function<void()> about;         // "&Help" -> "&About.."
};

// What the live view (the "General" page) does for the main window.
struct LiveViewHooks {
    std::function<void()> resetLiveDisplay;    // the link was lost
    std::function<void(int)> pageChanged;      // TabbedNotebook1Change
    std::function<void()> stopLivePoll;        // FormClose disables the 150 ms poll
    std::function<void()> keypadDivide;        // the all-channels key
    std::function<void()> updateTitle;         // heartbeat: window title
    std::function<void()> serveNamePropagation;
};

} // namespace relvane

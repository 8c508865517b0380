#pragma once
// The main window's "Tools" entries "Firmware" and "FIA ": each opens its window
// modally with the surrounding work the main window owes it.

class QWidget;

namespace relvane {

class FirmwareHost;

// Firmware1Click: stop the live polling, set firmware busy, clear the live view,
// run TFirmware modally; afterwards clear firmware busy and resume polling.
void RunFirmwareWindow(FirmwareHost& host, QWidget* parent);

// FIAClick: stop the live polling, run TFIA_Form modally while its compare is
// registered as an open tool window; afterwards unregister and resume polling.
void RunFiaWindow(FirmwareHost& host, QWidget* parent);

}  // namespace relvane

#pragma once
// Programming and comparing the module's firmware on an open session: the Firmware window's
// bootloader exchange and the FIA window's compare, over the same cores, for the command line
// and the station.

#include "station/Session.h"

#include <QString>

#include <functional>

namespace relvane {

// done of total units (bytes).
using StepProgress = std::function<void(long long done, long long total)>;

enum class ProgramEnd {
    Updated,        // "Target updated"
    Refused,        // the file cannot be read or programmed; message says why
    Interrupted,    // stopped by the caller
    Aborted,        // the bootloader sent its abort
    Stalled,        // the bootloader stopped answering during the transfer
    NoBootloader,   // no prompt came
    LinkLost,       // the adapter was lost (only with failOnLinkLoss)
};

struct ProgramOptions {
    bool reboot = false;         // send REBOOT_REQ to start the bootloader
    int promptTimeoutMs = 60000; // how long to wait for the bootloader's prompt
    bool failOnLinkLoss = false; // end at once when the adapter is lost
};

struct ProgramResult {
    ProgramEnd end = ProgramEnd::Refused;
    QString message;  // the file's error, the exchange's own message, or empty
    bool said = false;  // message went through say already
};

// Runs the exchange to its end; the session's receive mode is frames again afterwards. say
// takes the exchange's own messages ("Target updated", its stall text...).
ProgramResult ProgramFirmware(Session& session, const QString& path, const ProgramOptions& options,
                              const StepProgress& progress, const Session::Say& say);

enum class CompareEnd {
    Identical,
    Different,    // message: "FIA compare Fail, File not the same in Adr: XXXX"
    NoContact,    // "No contact to target"
    Refused,      // the file cannot be read; message says why
    Interrupted,
    LinkLost,     // only with failOnLinkLoss
};

struct CompareResult {
    CompareEnd end = CompareEnd::Refused;
    QString message;
};

// The compare of 0000-FBFF. statusLine takes the FIA window's status lines (may be empty).
CompareResult CompareFirmware(Session& session, const QString& path, const QByteArray& version,
                              const StepProgress& progress, const Session::Say& statusLine,
                              bool failOnLinkLoss = false);

}  // namespace relvane

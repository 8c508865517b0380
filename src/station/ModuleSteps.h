#pragma once
// The production steps that are not firmware: the ping test, the production data and the
// reboot, on an open session, over the cores of the ping and system setup windows.

#include "station/Session.h"
#include "tools/SystemSetup.h"

#include <QString>

#include <functional>

namespace relvane {

struct PingResult {
    int sent = 0;
    int mismatches = 0;
    int timeouts = 0;
    int checksumErrors = 0;
    bool interrupted = false;
    bool linkLost = false;  // only with failOnLinkLoss

    int Errors() const { return mismatches + timeouts + checksumErrors; }
};

// The timed ping test of the ping window: count pings, one per interval tick while none is
// outstanding; one without an answer times out after 50 ticks. line takes the window's memo
// lines (may be empty); progress(done, count) after each ping answered or timed out.
PingResult RunPingTest(Session& session, int count, int intervalMs, const Session::Say& line,
                       const std::function<void(int, int)>& progress = {}, bool failOnLinkLoss = false);

struct SystemStepResult {
    bool ok = false;
    QString message;     // the reason of a failure
    SystemData readBack; // what the module holds afterwards (when it answered)
};

// Stores the production data as the system setup window's Upload does, waits for "Data stored
// in Relvane" and the module's fresh answer, and checks that it holds what was sent.
SystemStepResult WriteSystemData(Session& session, const SystemData& data);

// Sends REBOOT_REQ (asked again once) and waits for the module's acknowledgement; false when
// none came within timeoutMs.
bool RebootModule(Session& session, int timeoutMs = 2000);

}  // namespace relvane

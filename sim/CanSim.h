#pragma once
// The simulated module's CAN side: the monitor selection the tool last sent, and the CAN traffic
// it forwards while that selection is not "Off" - a few synthetic messages a second whose
// identifiers match the configured CAN inputs, or a burst at the link's full rate.

#include "sim/Module.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

namespace relvane::sim {

class CanSim {
public:
    using Clock = std::chrono::steady_clock;

    static constexpr int DEFAULT_RATE = 4;  // messages a second outside a burst
    // The identifiers sent besides those of the configured CAN inputs.
    static constexpr std::uint16_t EXTRA_IDS[] = {0x1A5, 0x2F0, 0x7E8};

    // The selection of the last CAN_MONITOR_MODE_REQ: 0 "Off", 1 "Active messages",
    // 2 "All Messages", 3 to 34 one CAN input.
    int mode = 0;
    bool burst = false;
    int rate = DEFAULT_RATE;
    qint64 sent = 0;

    // When the next message is due; none while nothing is forwarded.
    std::optional<Clock::time_point> NextDue() const;
    // Sends every message due by now.
    void Pump(Module& module, Clock::time_point now);
    // The identifiers the current selection forwards, from the module's stored CAN inputs.
    std::vector<std::uint16_t> Identifiers(const Module& module) const;
    // Sends one CAN_MONITOR_IND now.
    void SendMessage(Module& module, std::uint16_t id, const std::vector<std::uint8_t>& data);
    // Restarts the pacing (selection or rate changed).
    void Restart(Clock::time_point now);

private:
    std::optional<Clock::time_point> next_;
    std::size_t cursor_ = 0;
    std::uint8_t counter_ = 0;
};

// The CAN_MONITOR_MODE_REQ handler and the console command `canmon`.
void RegisterCanHandlers(Module& module, CanSim& can);

}  // namespace relvane::sim

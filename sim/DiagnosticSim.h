#pragma once
// The simulated module's diagnostic log: per output channel how often it was switched off for a
// short circuit, its trip level or too little current, and the current it drew when it tripped.
// The console fills it; the tool reads it and clears it.

#include "sim/Module.h"

#include <array>
#include <cstdint>

namespace relvane::sim {

struct DiagnosticLog {
    static constexpr int HIGH_POWER = 18;
    static constexpr int CHANNELS = 34;
    static constexpr std::uint8_t MAX_COUNT = 15;  // the counts stop at 15 ("15 or more")

    std::array<std::uint8_t, CHANNELS> shortCircuit{};    // channels 1 to 34
    std::array<std::uint8_t, HIGH_POWER> tripCount{};     // channels 1 to 18
    std::array<std::uint8_t, HIGH_POWER> tripLevel{};     // steps of 0.4 A
    std::array<std::uint8_t, HIGH_POWER> lowCurrent{};
    int reads = 0;
    int acks = 0;
    int clears = 0;

    void Clear();
    // A plausible log: a few short circuits, trips and low-current faults.
    void FillExample();
};

// DIAGNOSTIC_READ_REQ (answered with DIAGNOSTIC_HIGH_IND, then DIAGNOSTIC_LOW_IND),
// DIAGNOSTIC_ACK_REQ, DIAGNOSTIC_CLEAR_REQ (-> DIAGNOSTIC_CLEAR_CFM) and the console command `diag`.
void RegisterDiagnosticHandlers(Module& module, DiagnosticLog& log);

}  // namespace relvane::sim

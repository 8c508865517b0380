#pragma once
// Command codes and lengths of the messages the simulated module takes and gives:
// the tool's own catalogue, seen from the module's side. The catalogue's byte
// layouts are pinned by golden tests, so the simulator cannot drift from them.

#include "protocol/MessageCatalogue.h"

#include <cstdint>

namespace relvane::sim {

// The module's resend request (type 0), under the name the module's side uses.
inline constexpr std::uint8_t RESEND_REQUEST = SVC_RESEND_IND;

inline constexpr int OUTPUT_COUNT = 34;
inline constexpr int HIGH_POWER_COUNT = 18;
inline constexpr int INPUT_COUNT = 11;
inline constexpr int CAN_INPUT_COUNT = 32;

}  // namespace relvane::sim

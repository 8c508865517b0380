#pragma once
// The conversions between what the editors and the configuration file show and what the records
// hold: trigger source codes and list positions, trigger levels, tenths typed as text, and the
// flash function's channel slots.

#include "config/ConfigRecords.h"

#include <QString>

#include <array>
#include <cstdint>

namespace relvane {

// Extended trigger source list (67 positions): any other position, -1 included, gives 255; any
// code not in the list gives position 0.
int TriggerCodeToPosition(int code);
int PositionToTriggerCode(int position);
// Base list (positions 0 to 64): other positions (65, 66, -1) give 255; other codes (53, 54) give 0.
int TriggerCodeToBasePosition(int code);
int BasePositionToTriggerCode(int position);

// Level list position -> TriggerLevel: 1 gives 16, anything else (none included) gives 1.
int PositionToTriggerLevel(int position);
// TriggerLevel -> level list position: 16 gives 1, anything else gives 0.
int TriggerLevelToPosition(int level);

// Tenths from a typed number: commas count as decimal points, leading blanks skipped, the longest
// readable number prefix taken (nothing readable gives 0), times 10, fraction cut towards zero.
int TenthsFromText(const QString& text);
// value / 10 formatted with "%3.1f": 0 -> "0.0", 905 -> "90.5".
QString TextFromTenths(int tenths);
// "CONT." for 0, else TextFromTenths.
QString OnTimeText(int tenths);

// The flash channel slots for a set of ticked outputs: all 255, then the indices (output - 1) of
// the ticked outputs in ascending order, at most four.
std::array<uint8_t, kFlashSlotCount> FlashSlotsFromOutputs(const OutputList& ticked);
// The outputs a flash function shows ticked: each slot below 34 ticks the output with that index.
OutputList FlashOutputsFromSlots(const std::array<uint8_t, kFlashSlotCount>& slots);

}  // namespace relvane

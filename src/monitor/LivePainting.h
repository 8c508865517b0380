#pragma once
// How the live view shows what the module reports: plain rules, no widgets, so
// they are tested on their own and the page only applies them.

#include "protocol/MessageCatalogue.h"

#include <QString>

#include <cstdint>

namespace relvane {

inline constexpr int CHANNEL_COUNT = 34;
inline constexpr int HIGH_POWER_CHANNELS = 18;  // channels 1 to 18; 19 to 34 are low power
inline constexpr int INPUT_COUNT = 11;
inline constexpr int CAN_INPUT_COUNT = 32;

// Fault codes of CHANNEL_STATE_CFM byte 6.
inline constexpr std::uint8_t FAULT_SHORT_TO_GROUND = 1;
inline constexpr std::uint8_t FAULT_SHORT_TO_SUPPLY = 2;
inline constexpr std::uint8_t FAULT_OPEN_LOAD = 4;
inline constexpr std::uint8_t FAULT_OVERLOAD = 8;

enum class LiveColour {
    Neutral,  // the system's button face: off, idle
    Red,      // 255, 0, 0: channel fault
    Green,    // 0, 255, 0: channel or input on
    Yellow,   // 255, 255, 0: highlight flag set
    White,    // 255, 255, 255: state label of a high-power channel that is off
};

// A text and its colour, as one control shows it.
struct LiveLook {
    QString text;
    LiveColour colour = LiveColour::Neutral;
    friend bool operator==(const LiveLook&, const LiveLook&) = default;
};

struct HighPowerLook {
    LiveLook state;   // chNState
    LiveLook button;  // BtnHighPowerChN
};

// "%d.%d <unit>" of a value in tenths.
QString TenthsText(int tenths, const QString& unit);
inline QString CurrentText(int tenths) { return TenthsText(tenths, QStringLiteral("A")); }

// Texts of the four summary labels.
struct StatusTexts {
    QString current;      // lblCurrentSum
    QString voltage;      // lblVbat
    QString temperature;  // lblTemp
    QString errors;       // lblErrors
};
StatusTexts StatusSummaryTexts(const StatusSummary& summary);

// Faults are tested before the output state, so a faulty high-power channel
// shows its fault whether it is on or off.
HighPowerLook HighPowerChannelLook(const ChannelState& state);
// A low-power channel shows a fault only while it is on, and never an overload.
LiveLook LowPowerChannelLook(const ChannelState& state);

// "On" in green or "Off" in neutral.
LiveLook InputLook(bool active);

// The idle looks ResetLiveDisplay puts back.
LiveLook IdleStatusLook();        // "--" (summary labels)
LiveLook IdleHighPowerStateLook();  // "--" white
LiveLook IdleButtonLook();        // "Off" neutral

}  // namespace relvane

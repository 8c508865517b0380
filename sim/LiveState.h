#pragma once
// What the simulated module measures and switches: loads, faults, inputs, supply
// and temperature, and the test mode the tool puts it in.

#include <array>
#include <cstdint>

namespace relvane::sim {

class ConfigStore;

// Fault codes as the module reports them.
inline constexpr std::uint8_t FAULT_NONE = 0;
inline constexpr std::uint8_t FAULT_SHORT_TO_GROUND = 1;
inline constexpr std::uint8_t FAULT_SHORT_TO_SUPPLY = 2;
inline constexpr std::uint8_t FAULT_OPEN_LOAD = 4;
inline constexpr std::uint8_t FAULT_OVERLOAD = 8;  // high-power channels only

struct SimChannel {
    std::uint16_t load = 0;   // current the load draws when on, tenths of an ampere
    std::uint8_t fault = FAULT_NONE;
    bool manualOn = false;    // state switched by CHANNEL_SWITCH_REQ in manual test mode
};

class LiveState {
public:
    LiveState();

    // Back to automatic mode with every manual switch off; loads, faults, inputs,
    // supply and temperature are the outside world and stay as they are.
    void Reset();

    // Channels count from 1 to 34.
    SimChannel& channel(int n) { return channels_[static_cast<std::size_t>(n - 1)]; }
    const SimChannel& channel(int n) const { return channels_[static_cast<std::size_t>(n - 1)]; }

    // What the configuration alone would do with the channel (automatic mode).
    bool TriggeredOn(int n, const ConfigStore& config) const;
    // The output's switch state as reported: protection keeps a shorted or
    // overloaded channel off.
    bool IsOn(int n, const ConfigStore& config) const;
    // Current as measured, tenths of an ampere.
    std::uint16_t Current(int n, const ConfigStore& config) const;
    // Set while manual test mode holds the channel in a state its trigger would not give.
    bool Highlighted(int n, const ConfigStore& config) const;

    bool InputActive(int input) const { return (inputs >> (input - 1)) & 1u; }
    bool CanInputActive(int input) const { return (canInputs >> (input - 1)) & 1u; }

    std::uint8_t mode = 0;          // 0 automatic, 1 manual test, 2 calibration
    std::uint16_t inputs = 0;       // bit n-1: input n is active
    std::uint32_t canInputs = 0;    // bit n-1: CAN input n is active
    std::uint8_t supplyVoltage = 138;  // tenths of a volt
    std::uint8_t temperature = 35;     // degrees Celsius

private:
    std::array<SimChannel, 34> channels_{};
};

}  // namespace relvane::sim

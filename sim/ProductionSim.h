#pragma once
// The simulated module's production side: its production data, the current
// calibration of the 18 high-power channels, the runtime error list, the system
// log clear and a 16 KiB EEPROM.

#include "sim/Module.h"

#include <QByteArray>
#include <QList>

#include <array>
#include <cstdint>

namespace relvane::sim {

struct ProductionData {
    std::uint32_t serial = 1234;
    std::uint8_t week = 12;
    std::uint8_t yearSince2000 = 24;
    std::uint8_t hardware = 3;
};

struct CalibrationChannel {
    std::uint8_t adOffset = 12;
    std::uint16_t ratio = 14436;
};

struct RuntimeErrorEntry {
    QByteArray file;  // at most 12 characters are reported
    std::uint16_t line = 0;
    std::uint8_t count = 1;
    QByteArray data;
};

class ProductionSim {
public:
    static constexpr int EEPROM_SIZE = 0x4000;
    static constexpr int CHANNELS = 18;
    // The reading of an output with nothing connected, taken by the offset store.
    static constexpr std::uint8_t IDLE_READING = 12;

    ProductionSim();

    // The 10-bit A/D value the channel's current gives with its calibration:
    // offset + I × 1 000 000 ÷ (ratio × 10.39), at most 1023.
    std::uint16_t AdValue(int channel, std::uint16_t currentTenths) const;

    ProductionData system;
    int systemStores = 0;
    std::array<CalibrationChannel, CHANNELS> calibration{};
    std::uint8_t optionFlags = 0;
    std::uint8_t optionChannel = 0;
    int offsetStores = 0;
    int ratioStores = 0;
    QList<RuntimeErrorEntry> errors;
    int systemLogClears = 0;
    // When set (console "calload on"), calibration mode drives the high-power outputs,
    // so the loads connected to them draw their current in the calibration data.
    bool loadsInCalibration = false;
    QByteArray eeprom;  // EEPROM_SIZE bytes, erased to 0xFF
};

// Registers the production messages and the console commands `rterror`, `eeprom`
// and `calload`. Register before the firmware handlers, which answer the system data
// request themselves only when nothing else does.
void RegisterProductionHandlers(Module& module, ProductionSim& production);

}  // namespace relvane::sim

#pragma once
// Command codes and lengths of the messages the simulated module takes and gives,
// seen from the module's side.

#include <cstdint>

namespace relvane::sim {

// Type 1, to the module.
inline constexpr std::uint8_t OUTPUT_WRITE_REQ = 0x01;
inline constexpr std::uint8_t OUTPUT_READ_REQ = 0x02;
inline constexpr std::uint8_t INPUT_WRITE_REQ = 0x03;
inline constexpr std::uint8_t INPUT_READ_REQ = 0x04;
inline constexpr std::uint8_t FACTORY_DEFAULT_REQ = 0x05;
inline constexpr std::uint8_t VERSION_REQ = 0x06;
inline constexpr std::uint8_t REBOOT_REQ = 0x07;
inline constexpr std::uint8_t PWM_WRITE_REQ = 0x08;
inline constexpr std::uint8_t PWM_READ_REQ = 0x09;
inline constexpr std::uint8_t STATUS_SUM_REQ = 0x20;
inline constexpr std::uint8_t INPUT_STATE_REQ = 0x21;
inline constexpr std::uint8_t CHANNEL_STATE_REQ = 0x22;
inline constexpr std::uint8_t MODE_REQ = 0x23;
inline constexpr std::uint8_t CHANNEL_SWITCH_REQ = 0x24;
inline constexpr std::uint8_t CAN_SETUP_WRITE_REQ = 0x25;
inline constexpr std::uint8_t CAN_SETUP_READ_REQ = 0x26;
inline constexpr std::uint8_t LOW_BATTERY_WRITE_REQ = 0x27;
inline constexpr std::uint8_t LOW_BATTERY_READ_REQ = 0x28;
inline constexpr std::uint8_t START_KILL_WRITE_REQ = 0x29;
inline constexpr std::uint8_t START_KILL_READ_REQ = 0x2A;
inline constexpr std::uint8_t CAN_INPUT_WRITE_REQ = 0x52;
inline constexpr std::uint8_t CAN_INPUT_READ_REQ = 0x53;
inline constexpr std::uint8_t VIRTUAL_INPUT_WRITE_REQ = 0x54;
inline constexpr std::uint8_t VIRTUAL_INPUT_READ_REQ = 0x55;
inline constexpr std::uint8_t CAN_EXPORT1_WRITE_REQ = 0x56;
inline constexpr std::uint8_t CAN_EXPORT1_READ_REQ = 0x57;
inline constexpr std::uint8_t FLASH_WRITE_REQ = 0x58;
inline constexpr std::uint8_t FLASH_READ_REQ = 0x59;
inline constexpr std::uint8_t CAN_EXPORT_WRITE_REQ = 0x5A;
inline constexpr std::uint8_t CAN_EXPORT_READ_REQ = 0x5B;
inline constexpr std::uint8_t STATISTICS_REQ = 0x60;
inline constexpr std::uint8_t NAME_WRITE_REQ = 0x62;
inline constexpr std::uint8_t NAME_READ_REQ = 0x63;
inline constexpr std::uint8_t CAN_INPUT_ENABLE_WRITE_REQ = 0x64;
inline constexpr std::uint8_t CAN_INPUT_ENABLE_READ_REQ = 0x65;
inline constexpr std::uint8_t WIPER_WRITE_REQ = 0x66;
inline constexpr std::uint8_t WIPER_READ_REQ = 0x67;

// Type 1, from the module.
inline constexpr std::uint8_t OUTPUT_WRITE_CFM = 0x81;
inline constexpr std::uint8_t OUTPUT_READ_CFM = 0x82;
inline constexpr std::uint8_t INPUT_WRITE_CFM = 0x83;
inline constexpr std::uint8_t INPUT_READ_CFM = 0x84;
inline constexpr std::uint8_t FACTORY_DEFAULT_CFM = 0x86;
inline constexpr std::uint8_t VERSION_CFM = 0x87;
inline constexpr std::uint8_t REBOOT_CFM = 0x88;
inline constexpr std::uint8_t PWM_WRITE_CFM = 0x89;
inline constexpr std::uint8_t PWM_READ_CFM = 0x8A;
inline constexpr std::uint8_t STATUS_SUM_CFM = 0xA0;
inline constexpr std::uint8_t INPUT_STATE_CFM = 0xA1;
inline constexpr std::uint8_t CHANNEL_STATE_CFM = 0xA2;
inline constexpr std::uint8_t CAN_SETUP_WRITE_CFM = 0xA5;
inline constexpr std::uint8_t CAN_SETUP_READ_CFM = 0xA6;
inline constexpr std::uint8_t LOW_BATTERY_WRITE_CFM = 0xA7;
inline constexpr std::uint8_t LOW_BATTERY_READ_CFM = 0xA8;
inline constexpr std::uint8_t START_KILL_WRITE_CFM = 0xA9;
inline constexpr std::uint8_t START_KILL_READ_CFM = 0xAA;
inline constexpr std::uint8_t CAN_INPUT_WRITE_CFM = 0xD2;
inline constexpr std::uint8_t CAN_INPUT_READ_CFM = 0xD3;
inline constexpr std::uint8_t VIRTUAL_INPUT_WRITE_CFM = 0xD4;
inline constexpr std::uint8_t VIRTUAL_INPUT_READ_CFM = 0xD5;
inline constexpr std::uint8_t CAN_EXPORT1_WRITE_CFM = 0xD6;
inline constexpr std::uint8_t CAN_EXPORT1_READ_CFM = 0xD7;
inline constexpr std::uint8_t FLASH_WRITE_CFM = 0xD8;
inline constexpr std::uint8_t FLASH_READ_CFM = 0xD9;
inline constexpr std::uint8_t CAN_EXPORT_WRITE_CFM = 0xDA;
inline constexpr std::uint8_t CAN_EXPORT_READ_CFM = 0xDB;
inline constexpr std::uint8_t STATISTICS_CFM = 0xDF;
inline constexpr std::uint8_t NAME_WRITE_CFM = 0xE1;
inline constexpr std::uint8_t NAME_READ_CFM = 0xE2;
inline constexpr std::uint8_t CAN_INPUT_ENABLE_WRITE_CFM = 0xE3;
inline constexpr std::uint8_t CAN_INPUT_ENABLE_READ_CFM = 0xE4;
inline constexpr std::uint8_t WIPER_WRITE_CFM = 0xE5;
inline constexpr std::uint8_t WIPER_READ_CFM = 0xE6;

// Type 0: link control and service.
inline constexpr std::uint8_t RESEND_REQUEST = 0x01;  // from the module: send the last frame again
inline constexpr std::uint8_t PING_REQ = 0x30;
inline constexpr std::uint8_t PING_CFM = 0x80;

inline constexpr int VERSION_CFM_LENGTH = 24;
inline constexpr int STATISTICS_CFM_LENGTH = 8;
inline constexpr int STATUS_SUM_CFM_LENGTH = 10;
inline constexpr int INPUT_STATE_CFM_LENGTH = 10;
inline constexpr int CHANNEL_STATE_CFM_LENGTH = 10;

// Module modes set by MODE_REQ.
inline constexpr std::uint8_t MODE_AUTOMATIC = 0;
inline constexpr std::uint8_t MODE_MANUAL_TEST = 1;
inline constexpr std::uint8_t MODE_CALIBRATION = 2;

inline constexpr int OUTPUT_COUNT = 34;
inline constexpr int HIGH_POWER_COUNT = 18;
inline constexpr int INPUT_COUNT = 11;
inline constexpr int CAN_INPUT_COUNT = 32;

}  // namespace relvane::sim

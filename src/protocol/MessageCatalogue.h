#pragma once
// Every message exchanged with the module: command codes, frame lengths, the
// builders of what the main window sends and the readers of what it receives.
//
// Codes of type 1 (FRAME_TYPE_COMMAND) unless the name says SVC_ (type 0,
// FRAME_TYPE_SERVICE); the service space reuses numbers of the command space
// and is told apart by the type byte.

#include "link/Frame.h"

#include <QByteArray>

#include <array>
#include <cstdint>

namespace relvane {

// ---------------------------------------------------------------------------
// Sent by the main window (type 1), with their frame lengths.

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
inline constexpr std::uint8_t DIAGNOSTIC_READ_REQ = 0x50;
inline constexpr std::uint8_t DIAGNOSTIC_CLEAR_REQ = 0x51;
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
inline constexpr std::uint8_t CAN_MONITOR_MODE_REQ = 0x5C;
inline constexpr std::uint8_t DIAGNOSTIC_ACK_REQ = 0x5F;
inline constexpr std::uint8_t STATISTICS_REQ = 0x60;
inline constexpr std::uint8_t NAME_WRITE_REQ = 0x62;
inline constexpr std::uint8_t NAME_READ_REQ = 0x63;
inline constexpr std::uint8_t CAN_INPUT_ENABLE_WRITE_REQ = 0x64;
inline constexpr std::uint8_t CAN_INPUT_ENABLE_READ_REQ = 0x65;
inline constexpr std::uint8_t WIPER_WRITE_REQ = 0x66;
inline constexpr std::uint8_t WIPER_READ_REQ = 0x67;

inline constexpr int OUTPUT_WRITE_REQ_LENGTH = 30;
inline constexpr int OUTPUT_READ_REQ_LENGTH = 5;
inline constexpr int INPUT_WRITE_REQ_LENGTH = 21;
inline constexpr int INPUT_READ_REQ_LENGTH = 5;
inline constexpr int FACTORY_DEFAULT_REQ_LENGTH = 4;
inline constexpr int VERSION_REQ_LENGTH = 4;
inline constexpr int REBOOT_REQ_LENGTH = 4;
inline constexpr int PWM_WRITE_REQ_LENGTH = 12;
inline constexpr int PWM_READ_REQ_LENGTH = 4;
inline constexpr int STATUS_SUM_REQ_LENGTH = 4;
inline constexpr int INPUT_STATE_REQ_LENGTH = 4;
inline constexpr int CHANNEL_STATE_REQ_LENGTH = 5;
inline constexpr int MODE_REQ_LENGTH = 5;
inline constexpr int CHANNEL_SWITCH_REQ_LENGTH = 12;
inline constexpr int CAN_SETUP_WRITE_REQ_LENGTH = 14;
inline constexpr int CAN_SETUP_READ_REQ_LENGTH = 4;
inline constexpr int LOW_BATTERY_WRITE_REQ_LENGTH = 18;
inline constexpr int LOW_BATTERY_READ_REQ_LENGTH = 4;
inline constexpr int START_KILL_WRITE_REQ_LENGTH = 35;
inline constexpr int START_KILL_READ_REQ_LENGTH = 4;
inline constexpr int DIAGNOSTIC_READ_REQ_LENGTH = 4;
inline constexpr int DIAGNOSTIC_CLEAR_REQ_LENGTH = 4;
inline constexpr int CAN_INPUT_WRITE_REQ_LENGTH = 49;
inline constexpr int CAN_INPUT_READ_REQ_LENGTH = 5;
inline constexpr int VIRTUAL_INPUT_WRITE_REQ_LENGTH = 31;
inline constexpr int VIRTUAL_INPUT_READ_REQ_LENGTH = 5;
inline constexpr int CAN_EXPORT1_WRITE_REQ_LENGTH = 29;
inline constexpr int CAN_EXPORT1_READ_REQ_LENGTH = 5;
inline constexpr int FLASH_WRITE_REQ_LENGTH = 30;
inline constexpr int FLASH_READ_REQ_LENGTH = 5;
inline constexpr int CAN_EXPORT_WRITE_REQ_LENGTH = 74;
inline constexpr int CAN_EXPORT_READ_REQ_LENGTH = 5;
// The monitor mode request says 4 in its length byte (and its checksum covers
// bytes 1 to 3 only), yet the module expects the selection in a fifth byte.
inline constexpr int CAN_MONITOR_MODE_REQ_LENGTH = 4;
inline constexpr int CAN_MONITOR_MODE_REQ_SENT = 5;
inline constexpr int DIAGNOSTIC_ACK_REQ_LENGTH = 4;
inline constexpr int STATISTICS_REQ_LENGTH = 4;
inline constexpr int NAME_WRITE_REQ_LENGTH = 20;
inline constexpr int NAME_READ_REQ_LENGTH = 4;
inline constexpr int CAN_INPUT_ENABLE_WRITE_REQ_LENGTH = 20;
inline constexpr int CAN_INPUT_ENABLE_READ_REQ_LENGTH = 4;
inline constexpr int WIPER_WRITE_REQ_LENGTH = 10;
inline constexpr int WIPER_READ_REQ_LENGTH = 4;

// Byte 4 of the "read everything" requests.
inline constexpr std::uint8_t READ_ALL = 0xFF;

// MODE_REQ byte 4.
inline constexpr std::uint8_t MODE_AUTOMATIC = 0;
inline constexpr std::uint8_t MODE_MANUAL_TEST = 1;
inline constexpr std::uint8_t MODE_CALIBRATION = 2;

// CHANNEL_SWITCH_REQ byte 5 and CHANNEL_STATE_CFM byte 5.
inline constexpr std::uint8_t CHANNEL_SWITCH_ON = 0xF0;
inline constexpr std::uint8_t CHANNEL_SWITCH_OFF = 0x0F;

// ---------------------------------------------------------------------------
// Received by the main window (type 1).

inline constexpr std::uint8_t CAN_MONITOR_IND = 0x5D;
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
inline constexpr std::uint8_t DIAGNOSTIC_HIGH_IND = 0xD0;
inline constexpr std::uint8_t DIAGNOSTIC_CLEAR_CFM = 0xD1;
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
inline constexpr std::uint8_t CAN_MONITOR_MODE_CFM = 0xDC;
inline constexpr std::uint8_t DIAGNOSTIC_LOW_IND = 0xDE;
inline constexpr std::uint8_t STATISTICS_CFM = 0xDF;
inline constexpr std::uint8_t NAME_WRITE_CFM = 0xE1;
inline constexpr std::uint8_t NAME_READ_CFM = 0xE2;
inline constexpr std::uint8_t CAN_INPUT_ENABLE_WRITE_CFM = 0xE3;
inline constexpr std::uint8_t CAN_INPUT_ENABLE_READ_CFM = 0xE4;
inline constexpr std::uint8_t WIPER_WRITE_CFM = 0xE5;
inline constexpr std::uint8_t WIPER_READ_CFM = 0xE6;

// Minimum frame lengths of the received messages the main window reads.
inline constexpr int VERSION_CFM_LENGTH = 24;
inline constexpr int STATUS_SUM_CFM_LENGTH = 10;
inline constexpr int INPUT_STATE_CFM_LENGTH = 10;
inline constexpr int CHANNEL_STATE_CFM_LENGTH = 10;
inline constexpr int CAN_MONITOR_IND_LENGTH = 7;  // without the data bytes
inline constexpr int DIAGNOSTIC_HIGH_IND_LENGTH = 58;
inline constexpr int DIAGNOSTIC_LOW_IND_LENGTH = 20;
inline constexpr int STATISTICS_CFM_LENGTH = 8;

// ---------------------------------------------------------------------------
// Link control (type 0).

inline constexpr std::uint8_t SVC_RESEND_IND = 0x01;  // the module asks for the last frame again

// ---------------------------------------------------------------------------
// Tool windows' messages.

// Ping test (type 0).
inline constexpr std::uint8_t PING_REQ = 0x30;
inline constexpr std::uint8_t PING_CFM = 0x80;
inline constexpr int PING_REQ_LENGTH = 21;

// System setup (type 1); the system data request is also used by firmware compare.
inline constexpr std::uint8_t SYSTEM_DATA_WRITE_REQ = 0x40;
inline constexpr std::uint8_t SYSTEM_DATA_READ_REQ = 0x41;
inline constexpr std::uint8_t SYSTEM_DATA_WRITE_CFM = 0xC0;
inline constexpr std::uint8_t SYSTEM_DATA_READ_CFM = 0xC1;
inline constexpr int SYSTEM_DATA_WRITE_REQ_LENGTH = 11;
inline constexpr int SYSTEM_DATA_READ_REQ_LENGTH = 4;

// Calibration (type 1); it also sends MODE_REQ with MODE_CALIBRATION.
inline constexpr std::uint8_t MODE_CFM = 0xA3;
inline constexpr std::uint8_t CALIBRATION_RATIO_WRITE_REQ = 0x42;
inline constexpr std::uint8_t CALIBRATION_DATA_READ_REQ = 0x43;
inline constexpr std::uint8_t CALIBRATION_OPTIONS_REQ = 0x44;
inline constexpr std::uint8_t CALIBRATION_OFFSET_STORE_REQ = 0x45;
inline constexpr std::uint8_t CALIBRATION_RATIO_WRITE_CFM = 0xC2;
inline constexpr std::uint8_t CALIBRATION_DATA_READ_CFM = 0xC3;
inline constexpr std::uint8_t CALIBRATION_OFFSET_STORE_CFM = 0xC5;
inline constexpr int CALIBRATION_RATIO_WRITE_REQ_LENGTH = 7;
inline constexpr int CALIBRATION_DATA_READ_REQ_LENGTH = 5;
inline constexpr int CALIBRATION_OPTIONS_REQ_LENGTH = 6;
inline constexpr int CALIBRATION_OFFSET_STORE_REQ_LENGTH = 4;

// Runtime error log: the list is in the service space (type 0), the system
// log clear and the reboot in the command space (type 1).
inline constexpr std::uint8_t SVC_ERROR_COUNT_REQ = 0x50;
inline constexpr std::uint8_t SVC_ERROR_ENTRY_REQ = 0x51;
inline constexpr std::uint8_t SVC_ERROR_CLEAR_REQ = 0x52;
inline constexpr std::uint8_t SVC_ERROR_COUNT_CFM = 0xA0;
inline constexpr std::uint8_t SVC_ERROR_ENTRY_CFM = 0xA1;
inline constexpr std::uint8_t SVC_ERROR_CLEAR_CFM = 0xA2;
inline constexpr int SVC_ERROR_COUNT_REQ_LENGTH = 4;
inline constexpr int SVC_ERROR_ENTRY_REQ_LENGTH = 5;
inline constexpr int SVC_ERROR_CLEAR_REQ_LENGTH = 4;
inline constexpr std::uint8_t SYSTEM_LOG_CLEAR_REQ = 0x61;
inline constexpr std::uint8_t SYSTEM_LOG_CLEAR_CFM = 0xE0;
inline constexpr int SYSTEM_LOG_CLEAR_REQ_LENGTH = 4;

// Firmware compare (type 1).
inline constexpr std::uint8_t MEMORY_READ_REQ = 0x5E;
inline constexpr std::uint8_t MEMORY_READ_CFM = 0xDD;
inline constexpr int MEMORY_READ_REQ_LENGTH = 6;

// EEPROM tool (type 0).
inline constexpr std::uint8_t SVC_EEPROM_READ_REQ = 0x53;
inline constexpr std::uint8_t SVC_EEPROM_WRITE_REQ = 0x54;
inline constexpr std::uint8_t SVC_EEPROM_READ_CFM = 0xA3;
inline constexpr std::uint8_t SVC_EEPROM_WRITE_CFM = 0xA4;
inline constexpr int SVC_EEPROM_READ_REQ_LENGTH = 7;
inline constexpr int SVC_EEPROM_WRITE_REQ_LENGTH = 23;

// ---------------------------------------------------------------------------
// Builders of the main window's requests. Each returns a sealed frame ready for
// SendFrame(queue, frame).

Frame BuildRequest(std::uint8_t command);  // the 4-byte requests without payload
Frame BuildIndexedRequest(std::uint8_t command, std::uint8_t index);  // 5 bytes, byte 4 = index

Frame BuildOutputReadRequest();  // all channels
Frame BuildInputReadRequest();   // all inputs
Frame BuildFactoryDefaultRequest();
Frame BuildVersionRequest();
Frame BuildRebootRequest();
Frame BuildPwmReadRequest();
Frame BuildStatusSumRequest();
Frame BuildInputStateRequest();
Frame BuildChannelStateRequest();  // all channels
Frame BuildModeRequest(std::uint8_t mode);
Frame BuildChannelSwitchRequest(int channel, bool on);
Frame BuildCanSetupReadRequest();
Frame BuildLowBatteryReadRequest();
Frame BuildStartKillReadRequest();
Frame BuildDiagnosticReadRequest();
Frame BuildDiagnosticClearRequest();
Frame BuildCanInputReadRequest(int index);      // 0 to 31
Frame BuildVirtualInputReadRequest(int index);  // 0 to 19
Frame BuildCanExport1ReadRequest();
Frame BuildFlashReadRequest(int index);      // 0 to 4
Frame BuildCanExportReadRequest(int index);  // 0, 1, 2 for exports 2, 3, 4
Frame BuildDiagnosticAckRequest();
Frame BuildStatisticsRequest();
Frame BuildNameReadRequest();
Frame BuildCanInputEnableReadRequest();
Frame BuildWiperReadRequest();

// The monitor mode request as it goes on the wire: length byte 4, checksum
// over bytes 1 to 3, the selection in byte 4, CAN_MONITOR_MODE_REQ_SENT bytes.
struct MonitorModeRequest {
    std::array<std::uint8_t, CAN_MONITOR_MODE_REQ_SENT> bytes{};
    int count = CAN_MONITOR_MODE_REQ_SENT;
    const std::uint8_t* data() const { return bytes.data(); }
};
MonitorModeRequest BuildCanMonitorModeRequest(int selection);

// ---------------------------------------------------------------------------
// Readers of the received messages. Each takes the frame as the receiver hands
// it over (its 200-byte buffer and the decoded count). Fields that lie beyond
// the bytes received read as 0, so a short frame never shows stale bytes of an
// earlier one, and nothing is read past the receive buffer whatever the length
// byte says.

struct VersionInfo {
    QByteArray text;              // up to the first zero byte, at most 20 bytes
    std::uint32_t uptimeSeconds;  // 24-bit
};
VersionInfo ReadVersion(const std::uint8_t* frame, int count);

struct StatusSummary {
    int errorCount;       // the sum of the two counts
    int currentTenths;    // total output current in 0.1 A
    int voltageTenths;    // supply voltage in 0.1 V
    int temperature;      // degrees Celsius
};
StatusSummary ReadStatusSummary(const std::uint8_t* frame, int count);

struct InputStates {
    std::array<bool, 11> inputs{};     // inputs 1 to 11
    std::array<bool, 32> canInputs{};  // CAN inputs 1 to 32
};
InputStates ReadInputStates(const std::uint8_t* frame, int count);

struct ChannelState {
    bool valid;          // false when the channel byte is not 1 to 34
    int channel;         // 1 to 34
    bool on;
    std::uint8_t fault;  // 1 short to ground, 2 short to supply, 4 open load, 8 overload
    int currentTenths;
    bool highlight;
};
ChannelState ReadChannelState(const std::uint8_t* frame, int count);

struct CanMonitorMessage {
    std::uint16_t identifier;
    int dataCount;  // 0 to 8, never more than were received
    std::array<std::uint8_t, 8> data{};
};
CanMonitorMessage ReadCanMonitor(const std::uint8_t* frame, int count);

struct DiagnosticHigh {
    // One entry per high-power channel 1 to 18; a count of 15 means 15 or more.
    std::array<std::uint8_t, 18> shortCircuitCount{};
    std::array<std::uint8_t, 18> tripCount{};
    std::array<std::uint8_t, 18> tripLevel{};  // in steps of 0.4 A
    std::array<std::uint8_t, 18> lowCurrentCount{};
};
DiagnosticHigh ReadDiagnosticHigh(const std::uint8_t* frame, int count);

struct DiagnosticLow {
    std::array<std::uint8_t, 16> shortCircuitCount{};  // channels 19 to 34
};
DiagnosticLow ReadDiagnosticLow(const std::uint8_t* frame, int count);

struct Statistics {
    int maxCurrentTenths;
    int maxTemperature;
    int watchdogCount;
};
Statistics ReadStatistics(const std::uint8_t* frame, int count);

}  // namespace relvane

#include "tools/SystemSetup.h"

#include "protocol/MessageCatalogue.h"
#include "tools/ToolText.h"

namespace relvane {

namespace {
constexpr int kReplyLength = 11;  // up to and including the hardware version byte
}

QString SerialText(std::uint32_t serial) {
    return QString::number(static_cast<std::int32_t>(serial)).rightJustified(8, QLatin1Char('0'));
}

QString YearText(std::uint8_t yearSince2000) {
    return QStringLiteral("20") + TwoDigitText(yearSince2000);
}

QString TwoDigitText(std::uint8_t value) {
    return QString::number(value).rightJustified(2, QLatin1Char('0'));
}

Frame BuildSystemDataRequest() {
    Frame f(FRAME_TYPE_COMMAND, SYSTEM_DATA_READ_REQ, SYSTEM_DATA_READ_REQ_LENGTH);
    return f.Seal();
}

Frame BuildSystemDataStore(const SystemData& data) {
    Frame f(FRAME_TYPE_COMMAND, SYSTEM_DATA_WRITE_REQ, SYSTEM_DATA_WRITE_REQ_LENGTH);
    f[4] = std::uint8_t(data.serial >> 24);
    f[5] = std::uint8_t(data.serial >> 16);
    f[6] = std::uint8_t(data.serial >> 8);
    f[7] = std::uint8_t(data.serial);
    f[8] = data.week;
    f[9] = data.yearSince2000;
    f[10] = data.hardwareVersion;
    return f.Seal();
}

SystemSetupTool::SystemSetupTool(ToolHost& host, QObject* parent) : QObject(parent), host_(host) {}

void SystemSetupTool::ShowVersion() {
    version_ = FromWindows1252(host_.SoftwareVersionText());
}

void SystemSetupTool::Activate() {
    ShowVersion();
    Q_EMIT changed();
    SendFrame(host_.TxQueue(), BuildSystemDataRequest());
}

bool SystemSetupTool::Upload() {
    SystemData data;
    data.serial = static_cast<std::uint32_t>(IntegerOrThrow(serial_));
    const std::int32_t year = IntegerOrThrow(year_);
    if (year < 2006 || year >= 2100) {
        host_.Boxes().ShowMessage(kYearRefused);
        return false;
    }
    data.yearSince2000 = static_cast<std::uint8_t>(year - 2000);
    data.week = static_cast<std::uint8_t>(IntegerOrThrow(week_) & 0xFF);
    data.hardwareVersion = static_cast<std::uint8_t>(IntegerOrThrow(hardware_) & 0xFF);
    SendFrame(host_.TxQueue(), BuildSystemDataStore(data));
    return true;
}

void SystemSetupTool::OnToolFrame(const std::uint8_t* frame, int count) {
    if (!ToolFrameAccepted(frame, count, FRAME_TYPE_COMMAND)) return;
    const int length = frame[FRAME_LENGTH];
    switch (frame[FRAME_COMMAND]) {
    case SYSTEM_DATA_WRITE_CFM:
        host_.Boxes().ShowMessage(kSystemDataStored);
        // Show what the module holds now.
        ShowVersion();
        Q_EMIT changed();
        SendFrame(host_.TxQueue(), BuildSystemDataRequest());
        break;
    case SYSTEM_DATA_READ_CFM: {
        if (length < kReplyLength) return;  // too short to hold the data: keep the fields
        const std::uint32_t serial = (std::uint32_t(frame[4]) << 24) | (std::uint32_t(frame[5]) << 16) |
                                     (std::uint32_t(frame[6]) << 8) | std::uint32_t(frame[7]);
        serial_ = SerialText(serial);
        year_ = YearText(frame[9]);
        week_ = TwoDigitText(frame[8]);
        hardware_ = TwoDigitText(frame[10]);
        Q_EMIT changed();
        break;
    }
    default:
        break;
    }
}

}  // namespace relvane

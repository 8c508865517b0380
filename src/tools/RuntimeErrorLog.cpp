#include "tools/RuntimeErrorLog.h"

#include "protocol/MessageCatalogue.h"
#include "tools/ToolText.h"

namespace relvane {

namespace {
constexpr int kCountReplyLength = 5;
constexpr int kEntryHeaderLength = 21;  // fixed fields up to the data length byte
constexpr int kFileNameOffset = 5;
constexpr int kFileNameLength = 12;

Frame Simple(std::uint8_t type, std::uint8_t command, int length) {
    Frame f(type, command, length);
    return f.Seal();
}
}  // namespace

Frame BuildErrorCountRequest() {
    return Simple(FRAME_TYPE_SERVICE, SVC_ERROR_COUNT_REQ, SVC_ERROR_COUNT_REQ_LENGTH);
}

Frame BuildErrorEntryRequest(std::uint8_t entry) {
    Frame f(FRAME_TYPE_SERVICE, SVC_ERROR_ENTRY_REQ, SVC_ERROR_ENTRY_REQ_LENGTH);
    f[4] = entry;
    return f.Seal();
}

Frame BuildErrorListClear() {
    return Simple(FRAME_TYPE_SERVICE, SVC_ERROR_CLEAR_REQ, SVC_ERROR_CLEAR_REQ_LENGTH);
}

Frame BuildSystemLogClear() {
    return Simple(FRAME_TYPE_COMMAND, SYSTEM_LOG_CLEAR_REQ, SYSTEM_LOG_CLEAR_REQ_LENGTH);
}


QStringList ErrorEntryLines(const std::uint8_t* frame, int length) {
    QByteArray name;
    for (int i = 0; i < kFileNameLength && frame[kFileNameOffset + i] != 0; ++i)
        name.append(char(frame[kFileNameOffset + i]));
    const int line = frame[17] | (frame[18] << 8);
    const int occurrences = frame[19];
    const int dataLength = frame[20];
    QString data;
    const int shown = qMin(dataLength, length - kEntryHeaderLength);
    for (int i = 0; i < shown; ++i)
        data += QStringLiteral("0x") +
                QStringLiteral("%1").arg(frame[kEntryHeaderLength + i], 2, 16, QLatin1Char('0')).toUpper() +
                QLatin1Char(':');
    return {
        kErrorSeparator,
        QStringLiteral("File name   : ") + FromWindows1252(name),
        QStringLiteral("Line number : ") + QString::number(line),
        QStringLiteral("Count       : ") + QString::number(occurrences),
        QStringLiteral("Data len    : ") + QString::number(dataLength),
        QStringLiteral("Data        : ") + data,
    };
}

RuntimeErrorLog::RuntimeErrorLog(ToolHost& host, QObject* parent) : QObject(parent), host_(host) {}

void RuntimeErrorLog::Add(const QStringList& lines) {
    lines_.append(lines);
    Q_EMIT linesAdded(lines);
}

void RuntimeErrorLog::Activate() {
    lines_.clear();
    Q_EMIT cleared();
    SendFrame(host_.TxQueue(), BuildErrorCountRequest());
}

void RuntimeErrorLog::ResetLog() { SendFrame(host_.TxQueue(), BuildErrorListClear()); }
void RuntimeErrorLog::ResetSystemLog() { SendFrame(host_.TxQueue(), BuildSystemLogClear()); }
void RuntimeErrorLog::Reboot() { SendFrame(host_.TxQueue(), BuildRebootRequest()); }

void RuntimeErrorLog::OnToolFrame(const std::uint8_t* frame, int count) {
    if (frame == nullptr || !FrameChecksumValid(frame, count)) return;
    const int length = frame[FRAME_LENGTH];
    const std::uint8_t command = frame[FRAME_COMMAND];
    if (frame[FRAME_TYPE] == FRAME_TYPE_COMMAND) {
        if (command == REBOOT_CFM) Add({QStringLiteral(" System reboot..")});
        else if (command == SYSTEM_LOG_CLEAR_CFM) Add({QStringLiteral(" System log data reset..")});
        return;
    }
    if (frame[FRAME_TYPE] != FRAME_TYPE_SERVICE) return;
    switch (command) {
    case SVC_ERROR_COUNT_CFM:
        if (length < kCountReplyLength) return;
        count_ = frame[4];
        Add({QStringLiteral(" Error list count ") + QString::number(count_)});
        if (count_ != 0) SendFrame(host_.TxQueue(), BuildErrorEntryRequest(1));
        break;
    case SVC_ERROR_ENTRY_CFM: {
        if (length < kEntryHeaderLength) return;
        Add(ErrorEntryLines(frame, length));
        const std::uint8_t entry = frame[4];
        if (entry < count_) SendFrame(host_.TxQueue(), BuildErrorEntryRequest(std::uint8_t(entry + 1)));
        break;
    }
    case SVC_ERROR_CLEAR_CFM:
        Add({QStringLiteral(" Error log reset..")});
        break;
    default:
        break;
    }
}

}  // namespace relvane

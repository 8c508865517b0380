#include "tools/EepromTool.h"

#include "protocol/MessageCatalogue.h"
#include "tools/ToolText.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace relvane {

namespace {

constexpr std::uint8_t kBlockSize = 0x10;
constexpr int kReadReplyLength = 23;  // address and 16 data bytes
constexpr int kReplyAddress = 5;
constexpr int kReplyData = 7;

QString Hex4(int v) { return QStringLiteral("%1").arg(v, 4, 16, QLatin1Char('0')).toUpper(); }

}  // namespace

Frame BuildEepromReadRequest(std::uint16_t address) {
    Frame f(FRAME_TYPE_SERVICE, SVC_EEPROM_READ_REQ, SVC_EEPROM_READ_REQ_LENGTH);
    f[4] = kBlockSize;
    f[5] = std::uint8_t(address & 0xFF);
    f[6] = std::uint8_t(address >> 8);
    return f.Seal();
}

Frame BuildEepromWriteRequest(std::uint16_t address, const std::uint8_t* data) {
    Frame f(FRAME_TYPE_SERVICE, SVC_EEPROM_WRITE_REQ, SVC_EEPROM_WRITE_REQ_LENGTH);
    f[4] = kBlockSize;
    f[5] = std::uint8_t(address & 0xFF);
    f[6] = std::uint8_t(address >> 8);
    for (int i = 0; i < kEepromBytesPerRow; ++i) f[7 + i] = data[i];
    return f.Seal();
}

int EepromProgress(int start, int next, int end) {
    if (end <= start) return 100;
    const long long p = (static_cast<long long>(next) - start) * 100 / (end - start);
    return static_cast<int>(qBound(0LL, p, 100LL));
}

EepromTool::EepromTool(ToolHost& host, QObject* parent) : QObject(parent), host_(host) {
    fields_.at(EepromStart) = fields_.at(FileStart) = fields_.at(FillStart) = QStringLiteral("0000");
    fields_.at(EepromEnd) = fields_.at(FileEnd) = fields_.at(FillEnd) = QStringLiteral("1000");
    timer_.setInterval(kEepromTimeoutMs);
    connect(&timer_, &QTimer::timeout, this, &EepromTool::TimeoutTick);
}

int EepromTool::FieldAddress(Field f) const {
    const QString text = fieldText(f);
    const auto v = LeadingHex(text.left(4));
    if (!v) throw ToolInputError(QStringLiteral("'%1' is not a valid hexadecimal address").arg(text));
    return int(*v);
}

void EepromTool::Show() { buffer_.InitializeShown(); }

bool EepromTool::CheckRange(int start, int end) {
    if (end <= start) {
        host_.Boxes().Error(
            QStringLiteral("The end address %1 must be above the start address %2").arg(Hex4(end), Hex4(start)));
        return false;
    }
    // Every message carries a whole block, so the last one may reach past end.
    const int blocks = (end - start + kEepromBytesPerRow - 1) / kEepromBytesPerRow;
    if (start + blocks * kEepromBytesPerRow > kEepromBufferEnd) {
        host_.Boxes().Error(QStringLiteral("The range %1 - %2 reaches beyond the buffer, which ends at %3")
                                .arg(Hex4(start), Hex4(end), Hex4(kEepromBufferEnd - 1)));
        return false;
    }
    return true;
}

void EepromTool::Begin(Mode mode) {
    mode_ = mode;
    timer_.start();
    progress_ = 0;
}

void EepromTool::StartRead() {
    const int start = FieldAddress(EepromStart);
    const int end = FieldAddress(EepromEnd);
    if (!CheckRange(start, end)) return;
    readEnabled_ = false;
    Begin(Mode::Reading);
    start_ = next_ = start;
    end_ = end;
    SendFrame(host_.TxQueue(), BuildEepromReadRequest(std::uint16_t(next_)));
    Q_EMIT stateChanged();
}

void EepromTool::StartWrite() {
    const int start = FieldAddress(EepromStart);
    const int end = FieldAddress(EepromEnd);
    if (!CheckRange(start, end)) return;
    writeEnabled_ = false;
    Begin(Mode::Writing);
    start_ = next_ = start;
    end_ = end;
    SendWriteBlock();
    Q_EMIT stateChanged();
}

bool EepromTool::SendWriteBlock() {
    std::uint8_t data[kEepromBytesPerRow];
    try {
        for (int i = 0; i < kEepromBytesPerRow; ++i) data[i] = buffer_.ByteAt(next_ + i);
    } catch (const ToolInputError& e) {
        Finish();
        host_.Boxes().Error(e.Text());
        return false;
    }
    SendFrame(host_.TxQueue(), BuildEepromWriteRequest(std::uint16_t(next_), data));
    return true;
}

void EepromTool::Finish() {
    // Both buttons come back: a transfer started over another one ends both.
    mode_ = Mode::None;
    timer_.stop();
    readCaption_ = QStringLiteral("Read");
    writeCaption_ = QStringLiteral("Write");
    readEnabled_ = writeEnabled_ = true;
    Q_EMIT stateChanged();
}

void EepromTool::Advance() {
    next_ += kEepromBytesPerRow;
    progress_ = EepromProgress(start_, next_, end_);
    timer_.start();
    // Ends at the first block at or past the end, so ranges of any length end.
    if (next_ >= end_) {
        progress_ = 100;
        Finish();
        return;
    }
    if (mode_ == Mode::Reading) SendFrame(host_.TxQueue(), BuildEepromReadRequest(std::uint16_t(next_)));
    else SendWriteBlock();
    Q_EMIT stateChanged();
}

void EepromTool::TimeoutTick() {
    timer_.stop();
    readCaption_ = QStringLiteral("Read");
    readEnabled_ = true;
    Q_EMIT stateChanged();
    host_.Boxes().ShowMessage(kEepromNoReply);
    writeCaption_ = QStringLiteral("Write");
    writeEnabled_ = true;
    Q_EMIT stateChanged();
}

CellEdit EepromTool::EditText(int row, int column, const QString& text) {
    const CellEdit result = buffer_.EditText(row, column, text);
    if (result == CellEdit::Refused) host_.Beep();
    return result;
}

void EepromTool::Fill(std::uint8_t value) {
    buffer_.Fill(FieldAddress(FillStart), FieldAddress(FillEnd), value);
}

void EepromTool::Fill00() { Fill(0x00); }
void EepromTool::FillFF() { Fill(0xFF); }

void EepromTool::Save() {
    FileDialogOptions options;
    options.title = QStringLiteral("File save");
    options.fileName = QStringLiteral("*.txt");
    options.defaultExtension = QStringLiteral("txt");
    const auto path = host_.Boxes().SaveFile(options);
    if (path) SaveTo(*path);
}

void EepromTool::SaveTo(const QString& path) {
    // The range first: a bad field must not leave an emptied file behind.
    const int start = FieldAddress(FileStart);
    const int end = FieldAddress(FileEnd);
    if (QFileInfo::exists(path) &&
        !host_.Boxes().WarningYesNo(QStringLiteral("File already exists: '%1'\nOverwrite ?").arg(path)))
        return;
    // Written beside the target and renamed over it only when whole, so a failed write
    // or a killed program leaves the old file as it was, never a cut one.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        host_.Boxes().Error(QStringLiteral("Unable to create file: '%1'").arg(path));
        return;
    }
    const QByteArray text = buffer_.TextDump(start, end);
    if (file.write(text) != text.size() || !file.commit()) {
        file.cancelWriting();
        host_.Boxes().Error(QStringLiteral("Unable to write file: '%1'").arg(path));
    }
}

void EepromTool::Load() {
    FileDialogOptions options;
    options.title = QStringLiteral("File open");
    options.defaultExtension = QStringLiteral("txt|bin");
    options.filter = QStringLiteral("Text files (*.txt)|*.txt|Bin files (*.bin)|*.bin");
    options.filterIndex = 0;
    const auto path = host_.Boxes().OpenFile(options);
    if (path) LoadFrom(*path);
}

void EepromTool::LoadFrom(const QString& chosen) {
    const QString path = chosen.trimmed();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        host_.Boxes().Error(QStringLiteral("Unable to open file: '%1'").arg(path));
        return;
    }
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot < 0 ? QString() : path.mid(dot + 1).toUpper();
    if (extension == QLatin1String("TXT")) {
        // A byte that is no hexadecimal number ends the load, as a write range with one does.
        const QString error = buffer_.ReadText(file);
        if (!error.isEmpty()) host_.Boxes().Error(error);
    } else if (extension == QLatin1String("BIN")) {
        if (!buffer_.ReadRaw(file))
            host_.Boxes().Information(QStringLiteral("The file is larger than the buffer: only its first %1 bytes "
                                                     "were loaded")
                                          .arg(kEepromBufferEnd));
    }
}

void EepromTool::OnToolFrame(const std::uint8_t* frame, int count) {
    if (!ToolFrameAccepted(frame, count, FRAME_TYPE_SERVICE)) return;
    const int length = frame[FRAME_LENGTH];
    switch (frame[FRAME_COMMAND]) {
    case SVC_EEPROM_READ_CFM: {
        if (length < kReadReplyLength) return;
        const int address = frame[kReplyAddress] | (frame[kReplyAddress + 1] << 8);
        for (int i = 0; i < kEepromBytesPerRow; ++i) buffer_.SetByte(address + i, frame[kReplyData + i]);
        // A block that does not start on a row boundary spans two rows.
        buffer_.RecomputeAscii(EepromRowOfAddress(address));
        if (address % kEepromBytesPerRow != 0)
            buffer_.RecomputeAscii(EepromRowOfAddress(address + kEepromBytesPerRow - 1));
        // Only the answer to the block asked for moves the read on: a repeated answer (after the
        // module's resend request) or a stray one would end the read before its last block came,
        // or hide a lost one.
        if (mode_ != Mode::Reading || address != next_) return;
        readCaption_ = QStringLiteral("Reading");
        Advance();
        break;
    }
    case SVC_EEPROM_WRITE_CFM:
        if (mode_ != Mode::Writing) return;
        writeCaption_ = QStringLiteral("Writing");
        Advance();
        break;
    default:
        break;
    }
}

}  // namespace relvane

#pragma once
// The EEPROM tool: reads and writes an address range of the module's EEPROM 16
// bytes a message with a 1000 ms watch on every gap, fills buffer ranges, and
// saves and loads the buffer as text or raw files.

#include "tools/EepromBuffer.h"
#include "tools/ToolHost.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>

namespace relvane {

inline constexpr int kEepromTimeoutMs = 1000;
inline const QString kEepromNoReply = QStringLiteral("Please power up the Target and try again");

Frame BuildEepromReadRequest(std::uint16_t address);
// The data bytes of a write request are the 16 bytes from the address on.
Frame BuildEepromWriteRequest(std::uint16_t address, const std::uint8_t* data);

// Percent of a transfer done: (next − start) × 100 ÷ (end − start), 0 … 100.
int EepromProgress(int start, int next, int end);

class EepromTool : public QObject, public ToolFrameListener {
    Q_OBJECT
public:
    enum class Mode { None = 0, Reading = 1, Writing = 2 };
    // The six address fields.
    enum Field { EepromStart, EepromEnd, FileStart, FileEnd, FillStart, FillEnd, FieldCount };

    explicit EepromTool(ToolHost& host, QObject* parent = nullptr);

    EepromBuffer& buffer() { return buffer_; }
    const EepromBuffer& buffer() const { return buffer_; }

    QString fieldText(Field f) const { return fields_.at(std::size_t(f)); }
    void setFieldText(Field f, const QString& text) { fields_.at(std::size_t(f)) = text; }
    // A field as a hexadecimal address (its leading hexadecimal digits, at most 4);
    // throws ToolInputError when it does not begin with one.
    int FieldAddress(Field f) const;

    Mode mode() const { return mode_; }
    int nextAddress() const { return next_; }
    int endAddress() const { return end_; }
    int progress() const { return progress_; }
    bool timerActive() const { return timer_.isActive(); }
    QString readCaption() const { return readCaption_; }
    QString writeCaption() const { return writeCaption_; }
    bool readEnabled() const { return readEnabled_; }
    bool writeEnabled() const { return writeEnabled_; }

    // Window shown: the header and the first 256 rows.
    void Show();

    // Read and Write buttons. A range that is empty or leaves the buffer is
    // refused with a message; a write block with a cell that is no hexadecimal
    // byte ends the write with a message.
    void StartRead();
    void StartWrite();
    // 1000 ms without a reply.
    void TimeoutTick();
    // A longer watch, for tests on a loaded machine.
    void SetTimeoutMs(int ms) { timer_.setInterval(ms); }

    // The cell editor; a refused text beeps.
    void BeginEdit(int row, int column) { buffer_.BeginEdit(row, column); }
    CellEdit EditText(int row, int column, const QString& text);

    void Fill00();
    void FillFF();

    // The buttons: file dialogs and messages through the host.
    void Save();
    void Load();
    // The same after the name is chosen. Saving replaces the file whole (written
    // beside it, then renamed), so the folder must accept a new file. Loading a text
    // file stops at a line with a byte that is not hexadecimal, in an error box with
    // its conversion message; the lines before it stay loaded.
    void SaveTo(const QString& path);
    void LoadFrom(const QString& path);

    void OnToolFrame(const std::uint8_t* frame, int count) override;

Q_SIGNALS:
    // Buttons, captions, progress or fields changed.
    void stateChanged();

private:
    bool CheckRange(int start, int end);
    void Begin(Mode mode);
    void Finish();
    void Advance();
    // Sends the write block of the next address; false (after a message, with the
    // transfer ended) when a cell of it is no hexadecimal byte.
    bool SendWriteBlock();
    void Fill(std::uint8_t value);

    ToolHost& host_;
    EepromBuffer buffer_;
    std::array<QString, FieldCount> fields_;
    Mode mode_ = Mode::None;
    int start_ = 0;
    int next_ = 0;
    int end_ = 0;
    int progress_ = 0;
    QString readCaption_ = QStringLiteral("Read");
    QString writeCaption_ = QStringLiteral("Write");
    bool readEnabled_ = true;
    bool writeEnabled_ = true;
    QTimer timer_;
};

}  // namespace relvane

#pragma once
// The module's runtime error list read one entry at a time, shown as text lines,
// and the clear, system-log clear and reboot messages.

#include "protocol/MessageCatalogue.h"
#include "tools/ToolHost.h"

#include <QObject>
#include <QStringList>

#include <cstdint>

namespace relvane {

inline const QString kErrorSeparator = QString(53, QLatin1Char('-'));

Frame BuildErrorCountRequest();
Frame BuildErrorEntryRequest(std::uint8_t entry);
Frame BuildErrorListClear();
Frame BuildSystemLogClear();
// The reboot request is the catalogue's BuildRebootRequest().

// The six lines of one entry reply (frame of at least 21 bytes by its length byte;
// data bytes beyond the frame are not shown).
QStringList ErrorEntryLines(const std::uint8_t* frame, int length);

// The logic of TRunTimeErrorForm: the log text as lines.
class RuntimeErrorLog : public QObject, public ToolFrameListener {
    Q_OBJECT
public:
    explicit RuntimeErrorLog(ToolHost& host, QObject* parent = nullptr);

    const QStringList& lines() const { return lines_; }
    int count() const { return count_; }

    // Each activation: clear the text and ask for the count.
    void Activate();
    void ResetLog();
    void ResetSystemLog();
    void Reboot();

    void OnToolFrame(const std::uint8_t* frame, int count) override;

Q_SIGNALS:
    void cleared();
    void linesAdded(const QStringList& lines);

private:
    void Add(const QStringList& lines);

    ToolHost& host_;
    QStringList lines_;
    std::uint8_t count_ = 0;
};

}  // namespace relvane

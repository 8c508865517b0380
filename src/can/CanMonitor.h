#pragma once
// The CAN monitor's core: the mode request, one text line per forwarded message, the selector's
// entries, and the file log. Lines are collected and handed to the page in batches, so a link
// running at its full rate (some 230 messages a second) never makes the window repaint per line.

#include "can/Dbc.h"
#include "config/ConfigModel.h"
#include "link/FrameCodec.h"
#include "protocol/Dispatcher.h"
#include "protocol/MessageCatalogue.h"

#include <QFile>
#include <QObject>
#include <QStringList>
#include <QStringListModel>
#include <QTime>
#include <QTimer>

#include <functional>
#include <memory>

namespace relvane {

// The selector's fixed entries, positions 0 to 2; CAN inputs 1 to 32 follow at 3 to 34.
QStringList MonitorFixedEntries();  // "Off", "Active messages", "All Messages"
inline constexpr int kMonitorOff = 0;
inline constexpr int kMonitorAllMessages = 2;
inline constexpr int kMonitorFirstCanInput = 3;

// Queues CAN_MONITOR_MODE_REQ with the selection as it goes on the wire (five bytes, length
// byte 4, checksum over bytes 1 to 3).
bool SendMonitorMode(TxSink& queue, int selection);

// "hh:mm:ss.zzz> ID=%4X, Data=", then " XX" per data byte, then ", <name>" for every CAN input
// whose ON or OFF identifier equals a non-zero identifier, in CAN input order. With a CAN
// database that knows the message: " | <message>: <signal>=<value> <unit>, ..." at the end.
QString CanMonitorLine(const QTime& time, const CanMonitorMessage& message, const ConfigModel& model,
                       const DbcDatabase* database = nullptr);
// " | EngineData: Speed=12.5 km/h, Gear=3 (Drive)" for a message the database knows, else
// empty. The message carries no extended flag: identifiers above 7FF are taken as extended.
QString CanMonitorDecoded(const CanMonitorMessage& message, const DbcDatabase& database);

// The "File log: " file: opened for appending, each line written through to the file at once
// (with CR LF), so a crash of the tool or of the machine loses at most the last moment's lines.
class CanMonitorFileLog : public QObject {
    Q_OBJECT
public:
    // Longest time a written line waits before it is forced to the disk.
    static constexpr int SYNC_DELAY_MS = 200;

    explicit CanMonitorFileLog(QObject* parent = nullptr);
    ~CanMonitorFileLog() override;

    // Opens (creating if missing) for appending; false when it cannot be opened.
    bool Open(const QString& path);
    void Close();
    bool IsOpen() const { return file_.isOpen(); }
    QString Path() const { return file_.fileName(); }
    // Writes line + CR LF to the file; false when no file is open or the write failed.
    bool WriteLine(const QString& line);
    int LinesWritten() const { return written_; }
    // Forces what was written to the disk now.
    void Sync();

private:
    QFile file_;
    QTimer syncTimer_;
    int written_ = 0;
};

// The monitor: a dispatcher handler that turns every CAN_MONITOR_IND into a line, writes it to
// the open log file at once and collects it for the page, which gets them as one batch at most
// every BATCH_INTERVAL_MS.
class CanMonitor : public QObject, public MainFrameHandler {
    Q_OBJECT
public:
    static constexpr int BATCH_INTERVAL_MS = 50;

    explicit CanMonitor(ConfigModel& model, QObject* parent = nullptr);

    // The clock of arrival; the local time by default (tests set a fixed one).
    void SetClock(std::function<QTime()> clock) { clock_ = std::move(clock); }
    // The CAN database whose messages the lines decode from now on; none for the plain lines.
    void SetDatabase(std::shared_ptr<const DbcDatabase> database) { database_ = std::move(database); }
    const DbcDatabase* Database() const { return database_.get(); }

    // MainFrameHandler
    void OnCanMonitor(const CanMonitorMessage& message) override;

    // Lines not yet handed to the page; FlushPending hands them over now.
    const QStringList& PendingLines() const { return pending_; }
    void FlushPending();
    qint64 LinesSeen() const { return linesSeen_; }

    CanMonitorFileLog& FileLog() { return log_; }

Q_SIGNALS:
    // A batch of new lines, oldest first.
    void LinesArrived(const QStringList& lines);

private:
    ConfigModel& model_;
    std::function<QTime()> clock_;
    std::shared_ptr<const DbcDatabase> database_;
    QStringList pending_;
    QTimer batchTimer_;
    CanMonitorFileLog log_;
    qint64 linesSeen_ = 0;
};

// Positions 3 onward of the monitor selector take the names the CAN input list shows, as long
// as the list has an entry at position - 3. Entries are renamed in place, never added.
void RefreshMonitorEntries(QStringListModel& monitorEntries, const QStringListModel& canInputNames);

}  // namespace relvane

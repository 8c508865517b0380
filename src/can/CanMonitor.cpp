#include "can/CanMonitor.h"

#include "config/Cp1252.h"

#include <unistd.h>

namespace relvane {

QStringList MonitorFixedEntries()
{
    return {QStringLiteral("Off"), QStringLiteral("Active messages"), QStringLiteral("All Messages")};
}

bool SendMonitorMode(TxSink& queue, int selection)
{
    const MonitorModeRequest request = BuildCanMonitorModeRequest(selection);
    return SendFrame(queue, request.data(), request.count);
}

QString CanMonitorDecoded(const CanMonitorMessage& message, const DbcDatabase& database)
{
    const DbcMessage* known = database.Find(message.identifier, message.identifier > kCanStandardIdMax);
    if (!known)
        return {};
    const int n = std::clamp(message.dataCount, 0, int(message.data.size()));
    const QString decoded = DbcDecodedText(*known, message.data.data(), n);
    return QStringLiteral(" | ") + known->name + (decoded.isEmpty() ? QString() : QStringLiteral(": ") + decoded);
}

QString CanMonitorLine(const QTime& time, const CanMonitorMessage& message, const ConfigModel& model,
                       const DbcDatabase* database)
{
    QString line = QString::asprintf("%02d:%02d:%02d.%03d> ID=%4X, Data=", time.hour(), time.minute(),
                                     time.second(), time.msec(), unsigned(message.identifier));
    const int n = std::clamp(message.dataCount, 0, int(message.data.size()));
    for (int i = 0; i < n; ++i)
        line += QString::asprintf(" %02X", unsigned(message.data[std::size_t(i)]));
    if (message.identifier != 0) {
        for (int k = 1; k <= kCanInputCount; ++k) {
            const CanInputConfig& c = model.CanInput(k);
            if (c.CAN_ID_ON == message.identifier || c.CAN_ID_OFF == message.identifier)
                line += QStringLiteral(", ") + Cp1252ToString(c.CAN_NAME);
        }
    }
    if (database)
        line += CanMonitorDecoded(message, *database);
    return line;
}

CanMonitorFileLog::CanMonitorFileLog(QObject* parent) : QObject(parent)
{
    syncTimer_.setSingleShot(true);
    syncTimer_.setInterval(SYNC_DELAY_MS);
    connect(&syncTimer_, &QTimer::timeout, this, &CanMonitorFileLog::Sync);
}

CanMonitorFileLog::~CanMonitorFileLog() { Close(); }

bool CanMonitorFileLog::Open(const QString& path)
{
    Close();
    file_.setFileName(path);
    // Unbuffered: every write goes to the operating system at once, not into a buffer of ours.
    if (path.isEmpty() || !file_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        file_.setFileName(QString());
        return false;
    }
    return true;
}

void CanMonitorFileLog::Close()
{
    if (!file_.isOpen())
        return;
    syncTimer_.stop();
    Sync();
    file_.close();
}

bool CanMonitorFileLog::WriteLine(const QString& line)
{
    if (!file_.isOpen())
        return false;
    const QByteArray bytes = StringToCp1252(line) + QByteArrayLiteral("\r\n");
    if (file_.write(bytes) != bytes.size())
        return false;
    ++written_;
    // The data is with the system already; the disk follows within SYNC_DELAY_MS, so a power
    // loss costs at most that moment while a busy bus does not force one disk write per line.
    if (!syncTimer_.isActive())
        syncTimer_.start();
    return true;
}

void CanMonitorFileLog::Sync()
{
    if (file_.isOpen() && file_.handle() >= 0)
        ::fdatasync(file_.handle());
}

CanMonitor::CanMonitor(ConfigModel& model, QObject* parent)
    : QObject(parent), model_(model), clock_([] { return QTime::currentTime(); }), log_(this)
{
    batchTimer_.setSingleShot(true);
    batchTimer_.setInterval(BATCH_INTERVAL_MS);
    connect(&batchTimer_, &QTimer::timeout, this, &CanMonitor::FlushPending);
}

void CanMonitor::OnCanMonitor(const CanMonitorMessage& message)
{
    const QString line = CanMonitorLine(clock_(), message, model_, database_.get());
    ++linesSeen_;
    log_.WriteLine(line);
    pending_.append(line);
    if (!batchTimer_.isActive())
        batchTimer_.start();
}

void CanMonitor::FlushPending()
{
    batchTimer_.stop();
    if (pending_.isEmpty())
        return;
    QStringList lines;
    lines.swap(pending_);
    Q_EMIT LinesArrived(lines);
}

void RefreshMonitorEntries(QStringListModel& monitorEntries, const QStringListModel& canInputNames)
{
    const int names = canInputNames.rowCount();
    for (int p = kMonitorFirstCanInput; p < monitorEntries.rowCount(); ++p) {
        if (p - kMonitorFirstCanInput >= names)
            break;
        const QString name = canInputNames.index(p - kMonitorFirstCanInput).data().toString();
        const QModelIndex at = monitorEntries.index(p);
        if (at.data().toString() != name)
            monitorEntries.setData(at, name);
    }
}

}  // namespace relvane

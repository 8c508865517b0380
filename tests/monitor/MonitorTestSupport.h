#pragma once
// Shared fakes of the monitor tests: a transmit queue that decodes what was
// queued back into frames, a host that records every hook, and frame builders
// for the module's answers.

#include "link/FrameCodec.h"
#include "monitor/MonitorHost.h"
#include "protocol/MessageCatalogue.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace relvane::test {

// Collects queued entries and un-SLIPs each one into its frame.
class RecordingQueue : public TxSink, public FrameSink {
public:
    RecordingQueue() : receiver_(this) {}
    bool AddToTxQueue(const std::uint8_t* bytes, int count) override
    {
        receiver_.Feed(bytes, count);
        ++entries_;
        return true;
    }
    void DispatchFrame(const std::uint8_t* frame, int count) override
    {
        frames.append(QByteArray(reinterpret_cast<const char*>(frame), count));
    }
    // Command bytes of the frames, in order.
    QList<int> Commands() const
    {
        QList<int> c;
        for (const QByteArray& f : frames)
            c.append(static_cast<std::uint8_t>(f.at(FRAME_COMMAND)));
        return c;
    }
    void Clear()
    {
        frames.clear();
        entries_ = 0;
    }
    int Entries() const { return entries_; }

    QList<QByteArray> frames;

private:
    SlipReceiver receiver_;
    int entries_ = 0;
};

// Every host call is recorded in log, in order ("pause 10", "title", ...);
// frames sent are in queue, and "send XX" lines go into log too.
class FakeHost : public MonitorHost, public TxSink {
public:
    bool Connected() const override { return connected; }
    bool TransferBusy() const override { return transferBusy; }
    bool FirmwareBusy() const override { return firmwareBusy; }
    TxSink& TxQueue() override { return *this; }
    bool CalibrationWindowExists() const override { return calibrationExists; }
    bool CalibrationWindowVisible() const override { return calibrationVisible; }
    QString CurrentPageCaption() const override { return pageCaption; }
    void OnOtherPageSelected(int index) override { log << QStringLiteral("page %1").arg(index); }
    bool AboutWindowExists() const override { return aboutExists; }
    ModuleInfo& Module() override { return module; }
    void UpdateTitle() override { log << QStringLiteral("title"); }
    void ServeNamePropagation() override { log << QStringLiteral("names"); }
    void ShowActivityLamps(int lit) override
    {
        lamps.push_back(lit);
        log << QStringLiteral("lamps %1").arg(lit);
    }
    void RevealProductionMenu() override
    {
        ++productionMenuReveals;
        log << QStringLiteral("reveal");
    }
    void PauseMs(int ms) override { log << QStringLiteral("pause %1").arg(ms); }

    bool AddToTxQueue(const std::uint8_t* bytes, int count) override
    {
        const qsizetype before = queue.frames.size();
        queue.AddToTxQueue(bytes, count);
        for (qsizetype i = before; i < queue.frames.size(); ++i)
            log << QStringLiteral("send %1").arg(static_cast<std::uint8_t>(queue.frames[i].at(FRAME_COMMAND)),
                                                 2, 16, QLatin1Char('0'));
        return true;
    }

    // Only the "send" lines of the log.
    QStringList Sends() const { return log.filter(QStringLiteral("send ")); }
    void ClearRecords()
    {
        log.clear();
        queue.Clear();
        lamps.clear();
    }

    bool connected = true;
    bool transferBusy = false;
    bool firmwareBusy = false;
    bool calibrationExists = false;
    bool calibrationVisible = false;
    bool aboutExists = true;
    QString pageCaption = QStringLiteral("General");
    ModuleInfo module;
    RecordingQueue queue;
    QStringList log;
    std::vector<int> lamps;
    int productionMenuReveals = 0;
};

// A sealed module answer of the given length with payload bytes from byte 4.
inline QByteArray ModuleFrame(std::uint8_t type, std::uint8_t command, int length,
                              const std::vector<int>& payload)
{
    Frame f(type, command, length);
    for (std::size_t i = 0; i < payload.size(); ++i)
        f[FRAME_PAYLOAD + static_cast<int>(i)] = static_cast<std::uint8_t>(payload[i]);
    f.Seal();
    return QByteArray(reinterpret_cast<const char*>(f.data()), length);
}

inline QByteArray ChannelStateFrame(int channel, int state, int fault, int current, int highlight)
{
    return ModuleFrame(FRAME_TYPE_COMMAND, CHANNEL_STATE_CFM, CHANNEL_STATE_CFM_LENGTH,
                       {channel, state, fault, (current >> 8) & 0xFF, current & 0xFF, highlight});
}

// VERSION_CFM with a text (at most 13 bytes, so it ends before the uptime) and uptime bytes.
inline QByteArray VersionFrame(const QByteArray& text, int uptimeSeconds = 0)
{
    std::vector<int> payload(20, 0);
    for (qsizetype i = 0; i < text.size() && i < 13; ++i)
        payload[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(text.at(i));
    payload[13] = (uptimeSeconds >> 16) & 0xFF;
    payload[14] = (uptimeSeconds >> 8) & 0xFF;
    payload[15] = uptimeSeconds & 0xFF;
    return ModuleFrame(FRAME_TYPE_COMMAND, VERSION_CFM, VERSION_CFM_LENGTH, payload);
}

// A copy in a 200-byte buffer, as the receiver hands frames over.
struct ReceivedFrame {
    explicit ReceivedFrame(const QByteArray& bytes) : count(int(bytes.size()))
    {
        std::copy(bytes.begin(), bytes.end(), buffer);
    }
    std::uint8_t buffer[SLIP_RECEIVE_BUFFER]{};
    int count;
};

}  // namespace relvane::test

#pragma once
// A ToolHost for tests: records every queued frame (decoded back from its SLIP
// form), answers dialogs from a script and counts beeps.

#include "support/ScriptedDialogs.h"
#include "tools/ToolHost.h"

#include <QByteArray>
#include <QList>

#include <map>

namespace relvane {

class FakeToolHost final : public ToolHost, public TxSink, public FrameSink {
public:
    FakeToolHost() : receiver_(this) {}

    // The frames sent, without SLIP framing, in order.
    QList<QByteArray> sent;
    ScriptedDialogs dialogs;
    QByteArray version = QByteArrayLiteral("9.08");
    int beeps = 0;
    bool connected = true;
    bool calibrationVisible = false;
    bool calibrationExists = false;

    TxSink& TxQueue() override { return *this; }
    Dialogs& Boxes() override { return dialogs; }
    bool Connected() const override { return connected; }
    QByteArray SoftwareVersionText() const override { return version; }
    void Beep() override { ++beeps; }
    void RegisterToolWindow(ToolSlot slot, ToolFrameListener* w) override { registered_[slot] = w; }
    void UnregisterToolWindow(ToolSlot slot, ToolFrameListener* w) override {
        if (Registered(slot) == w) registered_.erase(slot);
    }
    ToolFrameListener* Registered(ToolSlot slot) const {
        const auto it = registered_.find(slot);
        return it == registered_.end() ? nullptr : it->second;
    }
    void SetCalibrationWindowVisible(bool v) override { calibrationVisible = v; }
    void SetCalibrationWindowExists(bool e) override { calibrationExists = e; }

    bool AddToTxQueue(const std::uint8_t* bytes, int count) override {
        receiver_.Feed(bytes, count);
        return true;
    }
    void DispatchFrame(const std::uint8_t* frame, int count) override {
        sent.append(QByteArray(reinterpret_cast<const char*>(frame), count));
    }

    QByteArray Last() const { return sent.isEmpty() ? QByteArray() : sent.last(); }
    QByteArray TakeLast() { return sent.isEmpty() ? QByteArray() : sent.takeLast(); }

private:
    SlipReceiver receiver_;
    std::map<ToolSlot, ToolFrameListener*> registered_;
};

// A sealed module reply: type, command, payload; length and checksum filled in.
inline QByteArray Reply(std::uint8_t type, std::uint8_t command, const QByteArray& payload = {}) {
    QByteArray f(4, '\0');
    f[1] = char(4 + payload.size());
    f[2] = char(type);
    f[3] = char(command);
    f += payload;
    std::uint8_t cs = 0;
    for (int i = 1; i < f.size(); ++i) cs ^= std::uint8_t(f[i]);
    f[0] = char(cs);
    return f;
}

inline void Offer(ToolFrameListener& r, const QByteArray& frame) {
    r.OnToolFrame(reinterpret_cast<const std::uint8_t*>(frame.constData()), int(frame.size()));
}

inline QByteArray Hex(const char* text) { return QByteArray::fromHex(text); }

}  // namespace relvane

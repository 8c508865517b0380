#pragma once
// A ConnectionLink straight over the in-memory adapter backend, without the link
// thread: opens and closes are immediate, sent entries are recorded.

#include "app/ConnectionLink.h"
#include "link/MemoryBackend.h"

#include <QByteArray>
#include <QList>

#include <memory>

namespace relvane {

class RecordingTx final : public TxSink {
public:
    bool AddToTxQueue(const std::uint8_t* bytes, int count) override
    {
        entries.append(QByteArray(reinterpret_cast<const char*>(bytes), count));
        return true;
    }
    QList<QByteArray> entries;
};

class MemoryLink final : public ConnectionLink {
public:
    explicit MemoryLink(MemoryBackend& backend) : backend_(backend) {}

    QStringList ListUsbDevices() override
    {
        QList<AdapterInfo> adapters;
        backend_.ListAdapters(adapters);
        QStringList out;
        for (const AdapterInfo& a : adapters)
            if (a.detailsOk)
                out.append(a.description);
        return out;
    }
    bool Open(const QString& description) override
    {
        port_ = backend_.Open(description);
        ++opens;
        return port_ != nullptr;
    }
    void Close() override
    {
        port_.reset();
        ++closes;
    }
    TxSink& TxQueue() override { return tx; }

    bool IsOpen() const { return port_ != nullptr; }

    RecordingTx tx;
    int opens = 0;
    int closes = 0;

private:
    MemoryBackend& backend_;
    std::unique_ptr<AdapterPort> port_;
};

} // namespace relvane

#pragma once
// Connection management's view of the link thread.

#include "app/ConnectionLink.h"
#include "link/UsbThread.h"

namespace relvane {

class UsbThreadLink final : public ConnectionLink {
public:
    explicit UsbThreadLink(UsbThread& thread) : thread_(thread) {}

    QStringList ListUsbDevices() override
    {
        QStringList list;
        thread_.ListUsbDevices(list);
        return list;
    }
    bool Open(const QString& description) override { return thread_.Open(description); }
    OpenError LastOpenError() const override { return thread_.LastOpenError(); }
    void Close() override { thread_.Close(); }
    TxSink& TxQueue() override { return thread_; }

private:
    UsbThread& thread_;
};

} // namespace relvane

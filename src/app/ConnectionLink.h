#pragma once
// What connection management needs from the link thread. UsbThreadLink (UsbThreadLink.h)
// passes these on to relvane::UsbThread; tests may use the thread over an in-memory backend.

#include "link/AdapterBackend.h"
#include "link/FrameCodec.h"

#include <QStringList>

namespace relvane {

class ConnectionLink {
public:
    virtual ~ConnectionLink() = default;

    // The adapters' descriptions, real adapters first.
    virtual QStringList ListUsbDevices() = 0;
    // Opens the adapter with this description; true when it is open.
    virtual bool Open(const QString& description) = 0;
    // Why the last Open failed; a link that cannot tell reports no reason.
    virtual OpenError LastOpenError() const { return {}; }
    // Closes the adapter, whatever the link's state.
    virtual void Close() = 0;
    // The transmit queue every sender of the main window writes into.
    virtual TxSink& TxQueue() = 0;
};

} // namespace relvane

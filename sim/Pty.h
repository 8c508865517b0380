#pragma once
// A pseudo-terminal standing in for the module's end of a USB serial adapter.

#include <QString>

namespace relvane::sim {

struct Pty {
    int master = -1;  // the module's side, non-blocking
    int slave = -1;   // held open so the line settings stay and the master never sees a hang-up
    QString path;     // the slave device the tool opens

    bool isOpen() const { return master >= 0; }
};

// Opens a pseudo-terminal with both sides in raw mode, 38400 baud, 8 data bits,
// 2 stop bits, no parity. False with *error set when the system refuses.
bool OpenPty(Pty* pty, QString* error);

// Closes both sides; whoever has the slave open then sees its reads fail.
void ClosePty(Pty* pty);

// Raw 38400 8N2 line settings on a terminal descriptor.
bool SetRawSerial(int fd);

}  // namespace relvane::sim

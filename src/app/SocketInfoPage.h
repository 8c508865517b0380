#pragma once
// The "Socket info" page: a fixed reference of connector 4's wiring for the link and
// the auxiliary signals.

#include <QWidget>

namespace relvane {

struct SocketSignal {
    const char* group;   // " USB ", " CAN ", " Miscellaneous "
    const char* signal;
    const char* wire;    // wire colour; empty outside the USB group
    const char* pin;
};

// The rows, in the order shown.
extern const SocketSignal kSocketSignals[9];

class TSocketInfoPage final : public QWidget {
    Q_OBJECT
public:
    explicit TSocketInfoPage(QWidget* parent = nullptr);
};

} // namespace relvane

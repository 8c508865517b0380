#pragma once
// Filling a CAN input from one signal of a CAN database: the identifiers, the byte picker, the
// data type, the unit, the multiplicator and offset, and the row counter of a multiplexed
// signal, each through the CAN input editor's own rules and limits. The comparison operators
// and values stay as the user set them. A signal the module cannot compare is refused whole.

#include "can/Dbc.h"
#include "config/ConfigModel.h"

#include <QStringList>

#include <optional>

namespace relvane {

// The highest identifier a CAN input takes (11 bits).
inline constexpr quint32 kCanInputIdMax = kCanStandardIdMax;

// Why the module cannot compare the signal, naming the signal and the reason; nothing when it
// can: a whole byte or two neighbouring whole bytes among data bytes 0 to 7, of a message with
// an 11-bit identifier, integer, and for a multiplexed signal a whole-byte multiplexor among
// bytes 0 to 7 and a multiplexer value of 0 to 255.
std::optional<QString> DbcFillRefusal(const DbcMessage& message, const DbcSignal& signal);

struct DbcFillOptions {
    bool takeName = false;  // the signal's name becomes the CAN input's name
};

struct DbcFillResult {
    std::optional<QString> refusal;  // set: nothing was filled
    CanInputConfig config;           // the CAN input as the fill leaves it
    // What the editor's limits changed ("offset -200 is limited to -127"), for the user to check.
    QStringList notes;
    bool Ok() const { return !refusal.has_value(); }
};

// The CAN input `current` filled from the signal.
DbcFillResult FillCanInput(const CanInputConfig& current, const DbcMessage& message, const DbcSignal& signal,
                           const DbcFillOptions& options = {});

// A signal named "MESSAGE.SIGNAL" (the message by name or identifier, "0x1A5.Speed"); nothing
// with the reason in *error when there is no such signal.
struct DbcSignalRef {
    const DbcMessage* message = nullptr;
    const DbcSignal* signal = nullptr;
};
std::optional<DbcSignalRef> FindDbcSignal(const DbcDatabase& database, const QString& path, QString* error);

// What the fill sets, one line per field ("ON and OFF identifier: 1A5"), for a preview.
QStringList DbcFillSummary(const CanInputConfig& before, const CanInputConfig& after);

}  // namespace relvane

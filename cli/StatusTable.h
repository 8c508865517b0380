#pragma once
// The live values as the status command prints them.

#include "protocol/MessageCatalogue.h"

#include <QStringList>

#include <array>
#include <optional>

namespace relvane::cli {

struct LiveSnapshot {
    std::optional<StatusSummary> summary;
    std::optional<InputStates> inputs;
    std::array<std::optional<ChannelState>, 34> channels{};  // outputs 1 to 34

    bool Complete() const;
    bool Empty() const;
};

// The fault column: "-SHORT", "+SHORT", "OPEN", "OVERLOAD", "" for none, "fault N" for a code
// the module does not document.
QString FaultName(std::uint8_t fault);

// The table: one row per output (state, current, fault), then the inputs, the CAN inputs and
// the summary values. Values that did not arrive show "--".
QStringList StatusTable(const LiveSnapshot& snapshot);

}  // namespace relvane::cli

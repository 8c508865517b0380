// CAN databases: the DBC reader, then the signal values, the CAN input fill and the monitor's
// decoded lines over whatever the reader kept (the writer has its own target, dbc_roundtrip).
//
// Input: the file's bytes. Beyond surviving them:
// - the database holds what DbcChecks.h asks of every one read;
// - a fill that is not refused sets one byte or two side by side among bytes 0 to 7, an 11-bit
//   identifier, and the row counter only for a multiplexed signal.

#include "DbcChecks.h"

#include "can/CanMonitor.h"
#include "can/Dbc.h"
#include "can/DbcFill.h"

#include <QByteArray>

using namespace relvane;
using namespace relvane::fuzzing;

namespace {

void CheckFillAndDecode(const DbcDatabase& db)
{
    std::uint8_t data[8];
    for (int i = 0; i < 8; ++i)
        data[i] = std::uint8_t(0x5A ^ (i * 37));
    ConfigModel model;
    for (const DbcMessage& m : db.messages) {
        CanMonitorMessage message{std::uint16_t(m.id), std::min(m.size, 8), {}};
        std::copy(data, data + 8, message.data.begin());
        CanMonitorLine(QTime(12, 0), message, model, &db);
        DbcDecodedText(m, data, std::min(m.size, 8));
        for (const DbcSignal& s : m.signalList) {
            const DbcFillResult r = FillCanInput(CanInputConfig(), m, s, {true});
            if (!r.Ok())
                continue;
            const CanInputConfig& c = r.config;
            FUZZ_CHECK(c.CAN_ID_ON == c.CAN_ID_OFF && c.CAN_ID_ON >= 0 && quint32(c.CAN_ID_ON) <= kCanInputIdMax);
            FUZZ_CHECK(c.CAN_LOW_BYTE_ON_POS >= 1 && c.CAN_LOW_BYTE_ON_POS <= 8);
            FUZZ_CHECK(c.CAN_HIGH_BYTE_ON_POS == 0 || std::abs(c.CAN_HIGH_BYTE_ON_POS - c.CAN_LOW_BYTE_ON_POS) == 1);
            FUZZ_CHECK(c.CAN_HIGH_BYTE_ON_POS <= 8);
            FUZZ_CHECK(c.ROW_ENABLED == (s.mux == DbcMux::Multiplexed));
            FUZZ_CHECK(c.ROW_INDEX <= 7);
            FUZZ_CHECK(c.DIMENSION_NAME.size() <= 5 && c.CAN_NAME.size() <= 15);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CheckFillAndDecode(ReadChecked(data, size).database);
    return 0;
}

// CAN databases: the DBC reader, then the writer, the signal values, the CAN input fill and the
// monitor's decoded lines over whatever the reader kept.
//
// Input: the file's bytes. Beyond surviving them:
// - the problems listed stay within their limit, and a file is an error only without messages;
// - every signal kept lies within its message, and no identifier is kept twice;
// - writing what was read and reading it again settles on a text that reads back whole (no
//   problems) and writes the same text again; the first rounds may still change it, since the
//   text is Windows-1252 and a name that cannot be written collides with another as '?';
// - a fill that is not refused sets one byte or two side by side among bytes 0 to 7, an 11-bit
//   identifier, and the row counter only for a multiplexed signal.

#include "FuzzSupport.h"

#include "can/CanMonitor.h"
#include "can/Dbc.h"
#include "can/DbcFill.h"

#include <QByteArray>
#include <QSet>

using namespace relvane;
using namespace relvane::fuzzing;

namespace {

constexpr int kMaxRounds = 16;

void CheckDatabase(const DbcReadResult& r)
{
    FUZZ_CHECK(r.problems.size() <= kDbcMaxProblems);
    FUZZ_CHECK(r.problems.size() <= r.problemCount);
    FUZZ_CHECK(r.Ok() || r.database.messages.isEmpty());
    QSet<quint64> ids;
    for (const DbcMessage& m : r.database.messages) {
        FUZZ_CHECK(m.size >= 0 && m.size <= 64);
        FUZZ_CHECK(!ids.contains(m.id | (quint64(m.extended) << 32)));
        ids.insert(m.id | (quint64(m.extended) << 32));
        FUZZ_CHECK(r.database.Find(m.id, m.extended) == &m);
        for (const DbcSignal& s : m.signalList)
            FUZZ_CHECK(DbcSignalFits(s, m.size));
    }
}

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
    EnsureApplication();
    const QByteArray content(reinterpret_cast<const char*>(data), qsizetype(size));

    const DbcReadResult first = ReadDbc(content);
    CheckDatabase(first);
    CheckFillAndDecode(first.database);

    QByteArray text = WriteDbc(first.database);
    for (int round = 0;; ++round) {
        FUZZ_CHECK(round < kMaxRounds);
        const DbcReadResult again = ReadDbc(text);
        CheckDatabase(again);
        const QByteArray next = WriteDbc(again.database);
        if (next == text) {
            FUZZ_CHECK(again.problemCount == 0);
            break;
        }
        text = next;
    }
    return 0;
}

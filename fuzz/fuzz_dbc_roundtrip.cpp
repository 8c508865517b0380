// CAN databases written back: what the DBC reader kept, written by the DBC writer and read
// again, as a database exported from the tool is read by the next one. Slower than the
// reader's own target (dbc), since every input is read and written several times.
//
// Input: the file's bytes. Writing what was read and reading it again settles on a text that
// reads back whole (no problems) and writes the same text again; the first rounds may still
// change it, since the text is Windows-1252 and a name that cannot be written collides with
// another as '?'. Every database read on the way holds what DbcChecks.h asks.

#include "DbcChecks.h"

#include "can/Dbc.h"

#include <QByteArray>

using namespace relvane;
using namespace relvane::fuzzing;

namespace {

constexpr int kMaxRounds = 16;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const DbcReadResult first = ReadChecked(data, size);

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

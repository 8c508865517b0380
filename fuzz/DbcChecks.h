#pragma once
// What every database the DBC reader returns must hold, shared by the reader's and the
// writer's targets.

#include "FuzzSupport.h"

#include "can/Dbc.h"

#include <QByteArray>
#include <QSet>

namespace relvane::fuzzing {

// The problems listed stay within their limit, a file is an error only without messages,
// every signal kept lies within its message, and no identifier is kept twice.
inline void CheckDatabase(const DbcReadResult& r)
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

// The fuzzer's bytes read as a DBC file, checked as above.
inline DbcReadResult ReadChecked(const std::uint8_t* data, std::size_t size)
{
    EnsureApplication();
    DbcReadResult r = ReadDbc(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    CheckDatabase(r);
    return r;
}

}  // namespace relvane::fuzzing

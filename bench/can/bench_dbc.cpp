// Reading a vehicle-sized CAN database: 5000 messages of 8 signals each (about 3 MB of DBC
// text, with comments, attributes and value tables), and decoding a message of it.

#include "can/Dbc.h"

#include <cstdio>
#include <ctime>

using namespace relvane;

namespace {

// The CPU time of this thread: the machine running the benchmarks is often busy with others.
double CpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

}  // namespace

int main()
{
    constexpr int kMessages = 5000;
    QByteArray text = "VERSION \"\"\r\n\r\nNS_ :\r\n\tCM_\r\n\tBA_\r\n\r\nBS_:\r\n\r\nBU_: ECU Dash\r\n\r\n";
    QByteArray tail = "BA_DEF_ BO_ \"GenMsgCycleTime\" INT 0 65535;\r\nBA_DEF_DEF_ \"GenMsgCycleTime\" 0;\r\n";
    for (int m = 0; m < kMessages; ++m) {
        const QByteArray id = QByteArray::number(m < 2000 ? m : (0x80000000u | quint32(m)));
        text += "BO_ " + id + " Message_" + QByteArray::number(m) + ": 8 ECU\r\n";
        for (int s = 0; s < 8; ++s)
            text += " SG_ Signal_" + QByteArray::number(s) + " : " + QByteArray::number(s * 8) + "|8@1" +
                    (s % 2 ? "-" : "+") + " (0.25,-10) [-10|53.75] \"km/h\" Dash\r\n";
        text += "\r\n";
        tail += "CM_ BO_ " + id + " \"Message number " + QByteArray::number(m) + "\";\r\n";
        tail += "BA_ \"GenMsgCycleTime\" BO_ " + id + " 100;\r\n";
        tail += "VAL_ " + id + " Signal_0 0 \"Off\" 1 \"On\" 2 \"Error\" ;\r\n";
    }
    text += tail;

    double start = CpuMs();
    const DbcReadResult r = ReadDbc(text);
    const double readMs = CpuMs() - start;
    if (!r.Ok() || r.problemCount != 0 || r.database.messages.size() != kMessages) {
        std::printf("dbc_read_5000_messages: FAILED (%lld messages, %d problems)\n",
                    static_cast<long long>(r.database.messages.size()), r.problemCount);
        return 1;
    }
    std::printf("dbc_read_5000_messages: %.0f ms (target 500) for %.1f MB, CPU time\n", readMs, double(text.size()) / 1e6);

    const std::uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    constexpr int kLines = 100000;
    start = CpuMs();
    qsizetype length = 0;
    for (int i = 0; i < kLines; ++i)
        if (const DbcMessage* m = r.database.Find(quint32(i % 2000), false))
            length += DbcDecodedText(*m, data, 8).size();
    const double usPerLine = (CpuMs() - start) * 1000.0 / kLines;
    std::printf("dbc_decode_line: %.1f us (target 100), CPU time (%lld characters)\n", usPerLine, static_cast<long long>(length));
    return 0;
}

#include "sim/ProductionSim.h"

#include "protocol/MessageCatalogue.h"

#include <cmath>

namespace relvane::sim {

namespace {

constexpr int kEntryFixedLength = 21;
constexpr int kMaxEntryData = FRAME_MAX_LENGTH - kEntryFixedLength;

void SendSimple(Module& m, std::uint8_t type, std::uint8_t command) {
    Frame f(type, command, FRAME_HEADER_LENGTH);
    m.Send(f.Seal());
}

constexpr std::uint8_t kCalibrationMode = 2;

// With loadsInCalibration the module drives its high-power outputs itself in
// calibration mode, so the loads the operator connected draw their current whatever the
// configuration or the manual switches say; an open or supply-shorted output still
// measures nothing.
std::uint16_t CalibrationCurrent(const Module& m, const ProductionSim& p, int channel) {
    if (!p.loadsInCalibration || m.live.mode != kCalibrationMode) return m.live.Current(channel, m.config);
    const SimChannel& c = m.live.channel(channel);
    if (c.fault == FAULT_OPEN_LOAD || c.fault == FAULT_SHORT_TO_SUPPLY) return 0;
    return c.load;
}

}  // namespace

ProductionSim::ProductionSim() : eeprom(EEPROM_SIZE, char(0xFF)) {}

std::uint16_t ProductionSim::AdValue(int channel, std::uint16_t currentTenths) const {
    const CalibrationChannel& c = calibration.at(std::size_t(channel - 1));
    double reading = c.adOffset;
    if (c.ratio != 0) reading += (currentTenths / 10.0) * 1000000.0 / (c.ratio * 10.39);
    return std::uint16_t(std::lround(std::min(reading, 1023.0)));
}

void RegisterProductionHandlers(Module& module, ProductionSim& p) {
    // System data.
    module.RegisterHandler(FRAME_TYPE_COMMAND, SYSTEM_DATA_READ_REQ, [&p](Module& m, const Request&) {
        Frame f(FRAME_TYPE_COMMAND, SYSTEM_DATA_READ_CFM, 11);
        f[4] = std::uint8_t(p.system.serial >> 24);
        f[5] = std::uint8_t(p.system.serial >> 16);
        f[6] = std::uint8_t(p.system.serial >> 8);
        f[7] = std::uint8_t(p.system.serial);
        f[8] = p.system.week;
        f[9] = p.system.yearSince2000;
        f[10] = p.system.hardware;
        m.Send(f.Seal());
    });
    module.RegisterHandler(FRAME_TYPE_COMMAND, SYSTEM_DATA_WRITE_REQ, [&p](Module& m, const Request& r) {
        p.system.serial = (std::uint32_t(r.at(4)) << 24) | (std::uint32_t(r.at(5)) << 16) |
                          (std::uint32_t(r.at(6)) << 8) | r.at(7);
        p.system.week = r.at(8);
        p.system.yearSince2000 = r.at(9);
        p.system.hardware = r.at(10);
        ++p.systemStores;
        m.Print(QStringLiteral("system data stored: serial %1, week %2, year 20%3, hardware %4")
                    .arg(p.system.serial)
                    .arg(p.system.week)
                    .arg(p.system.yearSince2000, 2, 10, QLatin1Char('0'))
                    .arg(p.system.hardware));
        SendSimple(m, FRAME_TYPE_COMMAND, SYSTEM_DATA_WRITE_CFM);
    });

    // Calibration.
    module.RegisterHandler(FRAME_TYPE_COMMAND, CALIBRATION_DATA_READ_REQ, [&p](Module& m, const Request& r) {
        const int c = r.at(4);
        if (c < 1 || c > ProductionSim::CHANNELS) return;
        const std::uint16_t current = CalibrationCurrent(m, p, c);
        const CalibrationChannel& cal = p.calibration.at(std::size_t(c - 1));
        const std::uint16_t ad = p.AdValue(c, current);
        Frame f(FRAME_TYPE_COMMAND, CALIBRATION_DATA_READ_CFM, 12);
        f[4] = std::uint8_t(c);
        f[5] = cal.adOffset;
        f[6] = std::uint8_t(cal.ratio >> 8);
        f[7] = std::uint8_t(cal.ratio);
        f[8] = std::uint8_t(current >> 8);
        f[9] = std::uint8_t(current);
        f[10] = std::uint8_t(ad >> 8);
        f[11] = std::uint8_t(ad);
        m.Send(f.Seal());
    });
    module.RegisterHandler(FRAME_TYPE_COMMAND, CALIBRATION_OPTIONS_REQ, [&p](Module& m, const Request& r) {
        p.optionFlags = r.at(4);
        p.optionChannel = r.at(5);
        m.Print(QStringLiteral("calibration options: flags %1, channel %2").arg(p.optionFlags).arg(p.optionChannel));
    });
    module.RegisterHandler(FRAME_TYPE_COMMAND, CALIBRATION_OFFSET_STORE_REQ, [&p](Module& m, const Request&) {
        for (CalibrationChannel& c : p.calibration) c.adOffset = ProductionSim::IDLE_READING;
        ++p.offsetStores;
        m.Print(QStringLiteral("A/D offsets stored"));
        SendSimple(m, FRAME_TYPE_COMMAND, CALIBRATION_OFFSET_STORE_CFM);
    });
    module.RegisterHandler(FRAME_TYPE_COMMAND, CALIBRATION_RATIO_WRITE_REQ, [&p](Module& m, const Request& r) {
        const int c = r.at(4);
        if (c < 1 || c > ProductionSim::CHANNELS) return;
        p.calibration.at(std::size_t(c - 1)).ratio = std::uint16_t((r.at(5) << 8) | r.at(6));
        ++p.ratioStores;
        m.Print(QStringLiteral("ratio of channel %1 stored: %2").arg(c).arg(p.calibration.at(std::size_t(c - 1)).ratio));
        Frame f(FRAME_TYPE_COMMAND, CALIBRATION_RATIO_WRITE_CFM, 5);
        f[4] = std::uint8_t(c);
        m.Send(f.Seal());
    });

    // Runtime error list and system log.
    module.RegisterHandler(FRAME_TYPE_SERVICE, SVC_ERROR_COUNT_REQ, [&p](Module& m, const Request&) {
        Frame f(FRAME_TYPE_SERVICE, SVC_ERROR_COUNT_CFM, 5);
        f[4] = std::uint8_t(qMin<qsizetype>(p.errors.size(), 255));
        m.Send(f.Seal());
    });
    module.RegisterHandler(FRAME_TYPE_SERVICE, SVC_ERROR_ENTRY_REQ, [&p](Module& m, const Request& r) {
        const int n = r.at(4);
        if (n < 1 || n > p.errors.size()) return;
        const RuntimeErrorEntry& e = p.errors.at(n - 1);
        const int dataLength = int(qMin<qsizetype>(e.data.size(), kMaxEntryData));
        Frame f(FRAME_TYPE_SERVICE, SVC_ERROR_ENTRY_CFM, kEntryFixedLength + dataLength);
        f[4] = std::uint8_t(n);
        for (int i = 0; i < 12 && i < e.file.size(); ++i) f[5 + i] = std::uint8_t(e.file.at(i));
        f[17] = std::uint8_t(e.line & 0xFF);
        f[18] = std::uint8_t(e.line >> 8);
        f[19] = e.count;
        f[20] = std::uint8_t(dataLength);
        for (int i = 0; i < dataLength; ++i) f[kEntryFixedLength + i] = std::uint8_t(e.data.at(i));
        m.Send(f.Seal());
    });
    module.RegisterHandler(FRAME_TYPE_SERVICE, SVC_ERROR_CLEAR_REQ, [&p](Module& m, const Request&) {
        p.errors.clear();
        m.Print(QStringLiteral("runtime error list cleared"));
        SendSimple(m, FRAME_TYPE_SERVICE, SVC_ERROR_CLEAR_CFM);
    });
    module.RegisterHandler(FRAME_TYPE_COMMAND, SYSTEM_LOG_CLEAR_REQ, [&p](Module& m, const Request&) {
        ++p.systemLogClears;
        m.Print(QStringLiteral("system log cleared"));
        SendSimple(m, FRAME_TYPE_COMMAND, SYSTEM_LOG_CLEAR_CFM);
    });

    // EEPROM, 16 bytes a message; addresses wrap at the end of the 16 KiB.
    module.RegisterHandler(FRAME_TYPE_SERVICE, SVC_EEPROM_READ_REQ, [&p](Module& m, const Request& r) {
        const int address = r.at(5) | (r.at(6) << 8);
        Frame f(FRAME_TYPE_SERVICE, SVC_EEPROM_READ_CFM, 23);
        f[4] = r.at(4);
        f[5] = r.at(5);
        f[6] = r.at(6);
        for (int i = 0; i < 16; ++i) f[7 + i] = std::uint8_t(p.eeprom.at((address + i) % ProductionSim::EEPROM_SIZE));
        m.Send(f.Seal());
    });
    module.RegisterHandler(FRAME_TYPE_SERVICE, SVC_EEPROM_WRITE_REQ, [&p](Module& m, const Request& r) {
        const int address = r.at(5) | (r.at(6) << 8);
        for (int i = 0; i < 16; ++i) p.eeprom[(address + i) % ProductionSim::EEPROM_SIZE] = char(r.at(7 + i));
        Frame f(FRAME_TYPE_SERVICE, SVC_EEPROM_WRITE_CFM, 7);
        f[4] = r.at(4);
        f[5] = r.at(5);
        f[6] = r.at(6);
        m.Send(f.Seal());
    });

    module.RegisterConsoleCommand(
        {QStringLiteral("rterror"), QStringLiteral("rterror add FILE LINE [COUNT [HEXDATA]] | rterror clear"),
         QStringLiteral("fill or clear the runtime error list"), [&p](Module&, const QStringList& a) {
             static const QString usage =
                 QStringLiteral("usage: rterror add FILE LINE [COUNT [HEXDATA]] | rterror clear");
             if (a.size() == 1 && a[0] == QLatin1String("clear")) {
                 p.errors.clear();
                 return QStringLiteral("runtime error list empty");
             }
             if (a.size() < 3 || a.size() > 5 || a[0] != QLatin1String("add")) return usage;
             bool okLine = false, okCount = true;
             const int line = a[2].toInt(&okLine);
             const int count = a.size() > 3 ? a[3].toInt(&okCount) : 1;
             const QByteArray data = a.size() > 4 ? QByteArray::fromHex(a[4].toLatin1()) : QByteArray();
             if (!okLine || !okCount || line < 0 || line > 0xFFFF || count < 0 || count > 255 || p.errors.size() >= 255)
                 return usage;
             p.errors.append({a[1].toLatin1().left(12), std::uint16_t(line), std::uint8_t(count), data});
             return QStringLiteral("runtime errors: %1").arg(p.errors.size());
         }});
    module.RegisterConsoleCommand(
        {QStringLiteral("calload"), QStringLiteral("calload on|off"),
         QStringLiteral("in calibration mode the outputs drive their loads (on) or stay as switched (off)"),
         [&p](Module&, const QStringList& a) {
             if (a.size() != 1 || (a[0] != QLatin1String("on") && a[0] != QLatin1String("off")))
                 return QStringLiteral("usage: calload on|off");
             p.loadsInCalibration = a[0] == QLatin1String("on");
             return QStringLiteral("loads in calibration mode: %1").arg(a[0]);
         }});
    module.RegisterConsoleCommand(
        {QStringLiteral("eeprom"), QStringLiteral("eeprom ADDR HEXBYTES | eeprom erase"),
         QStringLiteral("write bytes into the simulated EEPROM, or erase it to FF"), [&p](Module&, const QStringList& a) {
             static const QString usage = QStringLiteral("usage: eeprom ADDR HEXBYTES | eeprom erase");
             if (a.size() == 1 && a[0] == QLatin1String("erase")) {
                 p.eeprom.fill(char(0xFF));
                 return QStringLiteral("EEPROM erased");
             }
             bool ok = false;
             const int address = a.value(0).toInt(&ok, 16);
             if (a.size() != 2 || !ok || address < 0 || address >= ProductionSim::EEPROM_SIZE) return usage;
             const QByteArray bytes = QByteArray::fromHex(a[1].toLatin1());
             for (int i = 0; i < bytes.size(); ++i) p.eeprom[(address + i) % ProductionSim::EEPROM_SIZE] = bytes.at(i);
             return QStringLiteral("%1 bytes written at %2").arg(bytes.size()).arg(address, 4, 16, QLatin1Char('0'));
         }});
}

}  // namespace relvane::sim

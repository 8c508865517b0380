#pragma once
// The CAN log formats engineers exchange, for the monitor's traffic: Vector ASC (text,
// hexadecimal, timestamps from the start of measurement) and PEAK TRC version 1.1. Each is a
// header written once, one line per frame, and (ASC only) a footer.

#include "protocol/MessageCatalogue.h"

#include <QDateTime>
#include <QStringList>

#include <array>
#include <cstdint>

namespace relvane {

// A frame as the logs record it. The module forwards 16-bit identifiers without an extended
// flag; one above 7FF is logged as extended, as the candump lines do.
struct CanLogFrame {
    quint32 id = 0;
    bool extended = false;
    int dlc = 0;  // 0 to 8
    std::array<std::uint8_t, 8> data{};

    static CanLogFrame FromMonitor(const CanMonitorMessage& message);
};

// Vector ASC. Frames are received ("Rx") on channel 1; times are seconds since `start`.
QStringList AscHeader(const QDateTime& start);
QString AscFrameLine(double seconds, const CanLogFrame& frame);
QStringList AscFooter();

// PEAK TRC 1.1. Frames are numbered from 1; times are milliseconds since `start`.
QStringList TrcHeader(const QDateTime& start);
QString TrcFrameLine(int number, double milliseconds, const CanLogFrame& frame);

// "Mon Dec 09 02:03:07.045 pm 2024", the date of ASC headers (English whatever the locale).
QString AscDateText(const QDateTime& time);
// Days since 1899-12-30 with their fraction, the start time of TRC files.
double TrcStartTime(const QDateTime& time);

}  // namespace relvane

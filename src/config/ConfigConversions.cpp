#include "config/ConfigConversions.h"

#include <QByteArray>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace relvane {

namespace {

// Codes of the extended trigger source list, by position.
constexpr std::array<int, kTriggerListSize> kTriggerCodes = [] {
  std::array<int, kTriggerListSize> codes{};
  codes[0] = 0;
  codes[1] = 255;
  constexpr int inputCodes[kInputCount] = {0xC0, 0xC1, 0xC2, 0xD1, 0xC4, 0xC5,
                                           0xC6, 0xC7, 0xC3, 0xD2, 0xD3};
  for (int i = 0; i < kInputCount; ++i) codes[2 + i] = inputCodes[i];
  for (int i = 0; i < kCanInputCount; ++i) codes[13 + i] = 1 + i;
  for (int i = 0; i < kVirtualInputCount; ++i) codes[45 + i] = 33 + i;
  codes[65] = 53;
  codes[66] = 54;
  return codes;
}();

int FindTriggerCode(int code, int listSize) {
  for (int p = 0; p < listSize; ++p) {
    if (kTriggerCodes[p] == code) return p;
  }
  return 0;
}

// The power of ten of the leading digit of a well-formed decimal number text ("123" 2, "0.05" -2).
long DecimalMagnitude(const QByteArray& number) {
  qsizetype i = 0;
  const qsizetype n = number.size();
  if (i < n && (number[i] == '+' || number[i] == '-')) ++i;
  long magnitude = 0;
  bool leading = true;
  bool afterPoint = false;
  for (; i < n && number[i] != 'e' && number[i] != 'E'; ++i) {
    const char c = number[i];
    if (c == '.') { afterPoint = true; continue; }
    if (leading && c == '0') {
      if (afterPoint) --magnitude;
      continue;
    }
    if (leading) {
      leading = false;
      if (afterPoint) { --magnitude; break; }
      continue;
    }
    if (!afterPoint) ++magnitude;
  }
  if (leading) return 0;
  const qsizetype e = std::max(number.indexOf('e'), number.indexOf('E'));
  if (e >= 0) {
    // Exponents too long for a long are far beyond any double either way.
    const QByteArray digits = number.mid(e + 1);
    bool ok = false;
    const long exponent = digits.toLong(&ok);
    if (!ok) return digits.startsWith('-') ? -100000 : 100000;
    magnitude += exponent;
  }
  return magnitude;
}

}  // namespace

int TriggerCodeToPosition(int code) { return FindTriggerCode(code, kTriggerListSize); }

int PositionToTriggerCode(int position) {
  if (position < 0 || position >= kTriggerListSize) return kTriggerCodeNone;
  return kTriggerCodes[static_cast<std::size_t>(position)];
}

int TriggerCodeToBasePosition(int code) { return FindTriggerCode(code, kTriggerBaseListSize); }

int BasePositionToTriggerCode(int position) {
  if (position < 0 || position >= kTriggerBaseListSize) return kTriggerCodeNone;
  return kTriggerCodes[static_cast<std::size_t>(position)];
}

int PositionToTriggerLevel(int position) { return position == 1 ? 16 : 1; }

int TriggerLevelToPosition(int level) { return level == 16 ? 1 : 0; }

int TenthsFromText(const QString& text) {
  const QByteArray bytes = text.toLatin1().replace(',', '.');
  const qsizetype n = bytes.size();
  qsizetype i = 0;
  while (i < n && (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n' ||
                   bytes[i] == '\v' || bytes[i] == '\f'))
    ++i;
  const qsizetype start = i;
  if (i < n && (bytes[i] == '+' || bytes[i] == '-')) ++i;
  const auto isDigit = [&](qsizetype k) { return k < n && bytes[k] >= '0' && bytes[k] <= '9'; };
  qsizetype digits = 0;
  while (isDigit(i)) { ++i; ++digits; }
  if (i < n && bytes[i] == '.') {
    ++i;
    while (isDigit(i)) { ++i; ++digits; }
  }
  if (digits == 0) return 0;
  // An exponent counts only when digits follow it.
  if (i < n && (bytes[i] == 'e' || bytes[i] == 'E')) {
    qsizetype k = i + 1;
    if (k < n && (bytes[k] == '+' || bytes[k] == '-')) ++k;
    if (isDigit(k)) {
      while (isDigit(k)) ++k;
      i = k;
    }
  }
  // from_chars is locale-independent: a full stop is the decimal point whatever the locale.
  double parsed = 0;
  const qsizetype from = bytes[start] == '+' ? start + 1 : start;  // from_chars takes no plus sign
  const auto [end, ec] = std::from_chars(bytes.constData() + from, bytes.constData() + i, parsed);
  Q_UNUSED(end);
  if (ec == std::errc::result_out_of_range) {
    // Too large or too small for a double: saturate, or 0.
    const bool negative = bytes[start] == '-';
    parsed = DecimalMagnitude(bytes.mid(start, i - start)) > 0
                 ? (negative ? -1.0 : 1.0) * std::numeric_limits<double>::infinity()
                 : 0.0;
  }
  const double value = parsed * 10.0;
  const double truncated = std::trunc(value);
  // Far beyond any field; saturate instead of overflowing.
  if (!(truncated > std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
  if (!(truncated < std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
  return static_cast<int>(truncated);
}

QString TextFromTenths(int tenths) { return QString::asprintf("%3.1f", tenths / 10.0); }

QString OnTimeText(int tenths) { return tenths == 0 ? QStringLiteral("CONT.") : TextFromTenths(tenths); }

std::array<uint8_t, kFlashSlotCount> FlashSlotsFromOutputs(const OutputList& ticked) {
  std::array<uint8_t, kFlashSlotCount> slots;
  slots.fill(kFlashSlotEmpty);
  std::size_t next = 0;
  for (int i = 0; i < kOutputCount && next < slots.size(); ++i) {
    if (ticked[static_cast<std::size_t>(i)]) slots[next++] = static_cast<uint8_t>(i);
  }
  return slots;
}

OutputList FlashOutputsFromSlots(const std::array<uint8_t, kFlashSlotCount>& slots) {
  OutputList ticked;
  for (uint8_t s : slots) {
    if (s < kOutputCount) ticked.set(s);
  }
  return ticked;
}

}  // namespace relvane

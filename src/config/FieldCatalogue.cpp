#include "config/FieldCatalogue.h"

#include "config/ConfigCompare.h"

#include <QByteArrayList>
#include <QRegularExpression>

#include <bit>
#include <bitset>
#include <limits>
#include <span>

namespace relvane {

namespace {

constexpr int kSame = -2;   // the field is the same in both records
constexpr int kWhole = -1;  // a field that is no list differs

template <class T>
struct ListOf {
  static constexpr int size = 0;
};
template <std::size_t N>
struct ListOf<std::bitset<N>> {
  static constexpr int size = int(N);
  static bool Same(const std::bitset<N>& a, const std::bitset<N>& b, int i) { return a[std::size_t(i)] == b[std::size_t(i)]; }
  static void Copy(std::bitset<N>& a, const std::bitset<N>& b, int i) { a[std::size_t(i)] = b[std::size_t(i)]; }
};
template <class T, std::size_t N>
struct ListOf<std::array<T, N>> {
  static constexpr int size = int(N);
  static bool Same(const std::array<T, N>& a, const std::array<T, N>& b, int i) { return a[std::size_t(i)] == b[std::size_t(i)]; }
  static void Copy(std::array<T, N>& a, const std::array<T, N>& b, int i) { a[std::size_t(i)] = b[std::size_t(i)]; }
};

template <auto M>
struct Member;
template <class R, class T, T R::*M>
struct Member<M> {
  using Record = R;
  using Type = T;
};

template <class R>
struct Field {
  const char* key;    // the file key without its number
  const char* label;  // what the page calls it
  int (*firstDiff)(const R&, const R&);
  void (*copy)(R& into, const R& from, int element);
  QByteArray (*encode)(const R&);
  bool (*decode)(R&, const QByteArray&);
};

// Exact texts: numbers in decimal, a float by its bits, texts percent-encoded (so no blank or
// quote is lost to the file's rules), an empty number as nothing, lists element by element.
QByteArray Encode(bool v) { return v ? "1" : "0"; }
QByteArray Encode(float v) { return "0x" + QByteArray::number(std::bit_cast<uint32_t>(v), 16); }
QByteArray Encode(const QString& v) { return v.toUtf8().toPercentEncoding(); }
QByteArray Encode(const QByteArray& v) { return v.toPercentEncoding(); }
QByteArray Encode(const OptionalNumber& v) { return v ? QByteArray::number(*v) : QByteArray(); }
template <class T>
  requires std::is_integral_v<T>
QByteArray Encode(T v) {
  return QByteArray::number(qlonglong(v));
}
template <std::size_t N>
QByteArray Encode(const std::bitset<N>& v) {
  return QByteArray::fromStdString(v.to_string());
}
template <class T, std::size_t N>
QByteArray Encode(const std::array<T, N>& v) {
  QByteArrayList parts;
  for (const T& x : v) parts << Encode(x);
  return parts.join(',');
}

bool Decode(const QByteArray& t, bool& v) {
  if (t != "0" && t != "1") return false;
  v = t == "1";
  return true;
}
bool Decode(const QByteArray& t, float& v) {
  bool ok = false;
  const uint bits = t.startsWith("0x") ? t.mid(2).toUInt(&ok, 16) : 0;
  if (ok) v = std::bit_cast<float>(uint32_t(bits));
  return ok;
}
bool Decode(const QByteArray& t, QString& v) {
  v = QString::fromUtf8(QByteArray::fromPercentEncoding(t));
  return true;
}
bool Decode(const QByteArray& t, QByteArray& v) {
  v = QByteArray::fromPercentEncoding(t);
  return true;
}
bool Decode(const QByteArray& t, OptionalNumber& v) {
  if (t.isEmpty()) {
    v.reset();
    return true;
  }
  bool ok = false;
  const int n = t.toInt(&ok);
  if (ok) v = n;
  return ok;
}
template <class T>
  requires std::is_integral_v<T>
bool Decode(const QByteArray& t, T& v) {
  bool ok = false;
  const qlonglong n = t.toLongLong(&ok);
  if (!ok || n < qlonglong(std::numeric_limits<T>::min()) || n > qlonglong(std::numeric_limits<T>::max())) return false;
  v = T(n);
  return true;
}
template <std::size_t N>
bool Decode(const QByteArray& t, std::bitset<N>& v) {
  if (t.size() != qsizetype(N) || t.count('0') + t.count('1') != t.size()) return false;
  v = std::bitset<N>(t.toStdString());
  return true;
}
template <class T, std::size_t N>
bool Decode(const QByteArray& t, std::array<T, N>& v) {
  const QByteArrayList parts = t.split(',');
  if (parts.size() != qsizetype(N)) return false;
  std::array<T, N> out{};
  for (std::size_t i = 0; i < N; ++i)
    if (!Decode(parts[qsizetype(i)], out[i])) return false;
  v = out;
  return true;
}

template <auto M>
QByteArray EncodeMember(const typename Member<M>::Record& r) {
  return Encode(r.*M);
}
template <auto M>
bool DecodeMember(typename Member<M>::Record& r, const QByteArray& t) {
  return Decode(t, r.*M);
}

template <auto M>
int FirstDiff(const typename Member<M>::Record& a, const typename Member<M>::Record& b) {
  using T = typename Member<M>::Type;
  using L = ListOf<T>;
  if constexpr (L::size > 0) {
    for (int i = 0; i < L::size; ++i)
      if (!L::Same(a.*M, b.*M, i)) return i;
    return kSame;
  } else if constexpr (std::is_same_v<T, float>) {
    return std::bit_cast<uint32_t>(a.*M) == std::bit_cast<uint32_t>(b.*M) ? kSame : kWhole;
  } else {
    return a.*M == b.*M ? kSame : kWhole;
  }
}

template <auto M>
void CopyMember(typename Member<M>::Record& into, const typename Member<M>::Record& from, int element) {
  using L = ListOf<typename Member<M>::Type>;
  if constexpr (L::size > 0) {
    if (element >= 0 && element < L::size) {
      L::Copy(into.*M, from.*M, element);
      return;
    }
  }
  into.*M = from.*M;
}

template <auto M>
constexpr Field<typename Member<M>::Record> F(const char* key, const char* label) {
  return {key, label, &FirstDiff<M>, &CopyMember<M>, &EncodeMember<M>, &DecodeMember<M>};
}

// The fields of each record in the order a configuration file holds them.
const Field<InputConfig> kInput[] = {F<&InputConfig::NAME>("NAME", "Name"), F<&InputConfig::MODE>("MODE", "Mode")};
const Field<InputBlockConfig> kInputBlock[] = {F<&InputBlockConfig::PWM_ENABLE>("PWM_ENABLE", "Enable PWM (inputs)")};
const Field<OutputConfig> kOutput[] = {
    F<&OutputConfig::NAME>("NAME", "Name"),
    F<&OutputConfig::TRIGGER>("TRIGGER", "Input trigger"),
    F<&OutputConfig::TRIGLEVEL>("TRIGLEVEL", "Trig by"),
    F<&OutputConfig::DELAY>("DELAY", "Delay"),
    F<&OutputConfig::MAX_CURRENT>("MAX_CURRENT", "Max current"),
    F<&OutputConfig::PEAK_TIME>("PEAK_TIME", "Peak time"),
    F<&OutputConfig::LOW_CURRENT>("LOW_CURRENT", "Min current"),
    F<&OutputConfig::LOW_CURRENT_TIME>("LOW_CURRENT_TIME", "Low current timer"),
    F<&OutputConfig::ON_TIME>("ON_TIME", "Timer"),
};
const Field<OutputBlockConfig> kOutputBlock[] = {
    F<&OutputBlockConfig::AutoResetError>("AutoResetError", "Auto reset channel error"),
    F<&OutputBlockConfig::PWM_1>("PWM_1", "Enable PWM 1"),
    F<&OutputBlockConfig::PWM_2>("PWM_2", "Enable PWM 2"),
};
const Field<LowBatteryConfig> kLowBattery[] = {
    F<&LowBatteryConfig::LOW_TRIG>("LOW_TRIG", "Low threshold"),
    F<&LowBatteryConfig::UPPER_TRIG>("UPPER_TRIG", "High threshold"),
    F<&LowBatteryConfig::LIST_SELECTED>("LIST_SELECTED", "Disable output"),
};
const Field<StartButtonConfig> kStartButton[] = {
    F<&StartButtonConfig::INPUT_TRIGGER_INDEX>("INPUT_TRIGGER_INDEX", "Start button trigger"),
    F<&StartButtonConfig::LIST_SELECTED>("LIST_SELECTED", "Start button output"),
};
const Field<KillButtonConfig> kKillButton[] = {
    F<&KillButtonConfig::INPUT_TRIGGER_INDEX>("INPUT_TRIGGER_INDEX", "Kill button trigger"),
    F<&KillButtonConfig::INPUT_DELAY>("INPUT_DELAY", "Kill input delay"),
    F<&KillButtonConfig::LIST_SELECTED>("LIST_SELECTED", "Kill button output"),
};
const Field<CanSetupConfig> kCanSetup[] = {
    F<&CanSetupConfig::BitRate>("BitRate", "CAN bit rate"),
    F<&CanSetupConfig::NoCANdelay>("NoCANdelay", "Delay before No CAN data"),
    F<&CanSetupConfig::ResetChannelErrorID>("ResetChannelErrorID", "Reset channel error CAN ID"),
    F<&CanSetupConfig::ResetChannelErrorDataByte>("ResetChannelErrorDataByte", "Reset channel error data byte"),
    F<&CanSetupConfig::ResetChannelErrorMask>("ResetChannelErrorMask", "Reset channel error bit mask"),
};
const Field<CanInputConfig> kCanInput[] = {
    F<&CanInputConfig::ENABLED>("ENABLED", "Enabled"),
    F<&CanInputConfig::NO_CAN_DATA_STATE>("NO_CAN_DATA_STATE", "No CAN data"),
    F<&CanInputConfig::CAN_ID_ON>("CAN_ID_ON", "CAN ID ON"),
    F<&CanInputConfig::CAN_ID_OFF>("CAN_ID_OFF", "CAN ID OFF"),
    F<&CanInputConfig::CAN_OPERATOR_ON>("CAN_OPERATOR_ON", "Operator ON"),
    F<&CanInputConfig::CAN_OPERATOR_OFF>("CAN_OPERATOR_OFF", "Operator OFF"),
    F<&CanInputConfig::CAN_VALUE_ON>("CAN_VALUE_ON", "Value ON"),
    F<&CanInputConfig::CAN_VALUE_OFF>("CAN_VALUE_OFF", "Value OFF"),
    F<&CanInputConfig::CAN_HIGH_BYTE_ON_POS>("CAN_HIGH_BYTE_ON_POS", "High byte ON"),
    F<&CanInputConfig::CAN_LOW_BYTE_ON_POS>("CAN_LOW_BYTE_ON_POS", "Low byte ON"),
    F<&CanInputConfig::CAN_HIGH_BYTE_OFF_POS>("CAN_HIGH_BYTE_OFF_POS", "High byte OFF"),
    F<&CanInputConfig::CAN_LOW_BYTE_OFF_POS>("CAN_LOW_BYTE_OFF_POS", "Low byte OFF"),
    F<&CanInputConfig::CAN_NAME>("CAN_NAME", "Name"),
    F<&CanInputConfig::ROW_ENABLED>("ROW_ENABLED", "Row counter"),
    F<&CanInputConfig::ROW_INDEX>("ROW_INDEX", "Row byte number"),
    F<&CanInputConfig::ROW_VALUE>("ROW_VALUE", "Row byte value"),
    F<&CanInputConfig::DATA_TYPE_>("DATA_TYPE_", "Data type"),
    F<&CanInputConfig::DIMENSION_NAME>("DIMENSION_NAME", "Dimension"),
    F<&CanInputConfig::MULTIPLICATOR_>("MULTIPLICATOR_", "Multiplicator"),
    F<&CanInputConfig::CAL_OFFSET_>("CAL_OFFSET_", "Offset"),
};
const Field<CanInputEnableConfig> kCanInputEnable[] = {
    F<&CanInputEnableConfig::ENABLE>("ENABLE", "CAN switching enabled"),
    F<&CanInputEnableConfig::INPUT_PIN>("INPUT_PIN", "CAN switching input"),
};
const Field<VirtualInputConfig> kVirtualInput[] = {
    F<&VirtualInputConfig::IN_DELAY_1_>("IN_DELAY_1_", "Delay 1"),
    F<&VirtualInputConfig::IN_DELAY_2_>("IN_DELAY_2_", "Delay 2"),
    F<&VirtualInputConfig::IN_DELAY_3_>("IN_DELAY_3_", "Delay 3"),
    F<&VirtualInputConfig::CHANNEL_1_Index>("CHANNEL_1_Index", "Source 1"),
    F<&VirtualInputConfig::CHANNEL_2_Index>("CHANNEL_2_Index", "Source 2"),
    F<&VirtualInputConfig::CHANNEL_3_Index>("CHANNEL_3_Index", "Source 3"),
    F<&VirtualInputConfig::OPERATOR_1_Index>("OPERATOR_1_Index", "Operator 1"),
    F<&VirtualInputConfig::OPERATOR_2_Index>("OPERATOR_2_Index", "Operator 2"),
    F<&VirtualInputConfig::MASK_NOT>("MASK_NOT", "NOT"),
    F<&VirtualInputConfig::VIRTUAL_NAME>("VIRTUAL_NAME", "Name"),
};
const Field<FlashConfig> kFlash[] = {
    F<&FlashConfig::ENABLED>("ENABLED", "Enabled"),
    F<&FlashConfig::CONTINUES>("CONTINUES", "Continues"),
    F<&FlashConfig::INPUT_TRIGGER>("INPUT_TRIGGER", "Input trigger"),
    F<&FlashConfig::CHANNEL_LIST>("CHANNEL_LIST", "Output slot"),
    F<&FlashConfig::FLASH_TIME_ON>("FLASH_TIME_ON", "Flash on"),
    F<&FlashConfig::FLASH_TIME_OFF>("FLASH_TIME_OFF", "Flash off"),
    F<&FlashConfig::DURATION>("DURATION", "Duration"),
    F<&FlashConfig::FLASH_NAME>("FLASH_NAME", "Name"),
};
const Field<WiperConfig> kWiper[] = {
    F<&WiperConfig::LOW_SPEED_INPUT>("LOW_SPEED_INPUT", "Low speed"),
    F<&WiperConfig::HIGH_SPEED_INPUT>("HIGH_SPEED_INPUT", "High speed"),
    F<&WiperConfig::INTERVAL_INPUT>("INTERVAL_INPUT", "Interval"),
    F<&WiperConfig::HOME_PARK_INPUT>("HOME_PARK_INPUT", "Home / park"),
    F<&WiperConfig::HOME_PARK_LEVEL>("HOME_PARK_LEVEL", "Home / park level"),
    F<&WiperConfig::INTERVAL_TIME>("INTERVAL_TIME", "Interval time"),
};
const Field<CanExportConfig> kCanExport[] = {
    F<&CanExportConfig::ENABLED>("ENABLED", "Enable"),
    F<&CanExportConfig::CAN_ID>("CAN_ID", "CAN ID"),
    F<&CanExportConfig::REFRESS_TIME>("REFRESS_TIME", "Refresh"),
    F<&CanExportConfig::ROW_COUNT>("ROW_COUNT", "Row count"),
    F<&CanExportConfig::CHANNEL_INDEX_>("CHANNEL_INDEX_", "Data byte"),
};

template <class R> std::span<const Field<R>> Table();
template <> std::span<const Field<InputConfig>> Table() { return kInput; }
template <> std::span<const Field<InputBlockConfig>> Table() { return kInputBlock; }
template <> std::span<const Field<OutputConfig>> Table() { return kOutput; }
template <> std::span<const Field<OutputBlockConfig>> Table() { return kOutputBlock; }
template <> std::span<const Field<LowBatteryConfig>> Table() { return kLowBattery; }
template <> std::span<const Field<StartButtonConfig>> Table() { return kStartButton; }
template <> std::span<const Field<KillButtonConfig>> Table() { return kKillButton; }
template <> std::span<const Field<CanSetupConfig>> Table() { return kCanSetup; }
template <> std::span<const Field<CanInputConfig>> Table() { return kCanInput; }
template <> std::span<const Field<CanInputEnableConfig>> Table() { return kCanInputEnable; }
template <> std::span<const Field<VirtualInputConfig>> Table() { return kVirtualInput; }
template <> std::span<const Field<FlashConfig>> Table() { return kFlash; }
template <> std::span<const Field<WiperConfig>> Table() { return kWiper; }
template <> std::span<const Field<CanExportConfig>> Table() { return kCanExport; }

template <class R>
struct Tag {
  using Type = R;
};

// Calls f with a Tag of the record type of the slot.
template <class Fn>
decltype(auto) WithRecordType(RecordSlot s, Fn&& f) {
  switch (s.block) {
    case ConfigBlock::Input: return s.number == 0 ? f(Tag<InputBlockConfig>{}) : f(Tag<InputConfig>{});
    case ConfigBlock::Output: return s.number == 0 ? f(Tag<OutputBlockConfig>{}) : f(Tag<OutputConfig>{});
    case ConfigBlock::LowBattery: return f(Tag<LowBatteryConfig>{});
    case ConfigBlock::StartButton: return f(Tag<StartButtonConfig>{});
    case ConfigBlock::KillButton: return f(Tag<KillButtonConfig>{});
    case ConfigBlock::CanSetup: return f(Tag<CanSetupConfig>{});
    case ConfigBlock::CanInput: return f(Tag<CanInputConfig>{});
    case ConfigBlock::CanInputEnable: return f(Tag<CanInputEnableConfig>{});
    case ConfigBlock::VirtualInput: return f(Tag<VirtualInputConfig>{});
    case ConfigBlock::Flash: return f(Tag<FlashConfig>{});
    case ConfigBlock::Wiper: return f(Tag<WiperConfig>{});
    case ConfigBlock::CanExport: return f(Tag<CanExportConfig>{});
    case ConfigBlock::BoxName: break;
  }
  return f(Tag<ChannelName>{});
}

// The field of a record type by its key, -1 when the record has none.
int FieldIndex(RecordSlot slot, const QString& key) {
  return WithRecordType(slot, [&](auto tag) {
    using R = typename decltype(tag)::Type;
    if constexpr (std::is_same_v<R, ChannelName>) {
      return key == BoxNameKey() ? 0 : -1;
    } else {
      const auto table = Table<R>();
      for (std::size_t i = 0; i < table.size(); ++i)
        if (key == QLatin1String(table[i].key)) return int(i);
      return -1;
    }
  });
}

std::optional<FieldSpot> Spot(RecordSlot slot, const QString& key, int element = -1) {
  const int field = FieldIndex(slot, key);
  if (field < 0) return std::nullopt;
  return FieldSpot{slot, field, element};
}

struct KeyNumber {
  QString base;
  int number = -1;
};

KeyNumber SplitNumber(const QString& key) {
  static const QRegularExpression trailing(QStringLiteral("^(.*\\D)(\\d+)$"));
  const QRegularExpressionMatch m = trailing.match(key);
  if (!m.hasMatch()) return {key, -1};
  bool ok = false;
  const int n = m.captured(2).toInt(&ok);
  return {m.captured(1), ok ? n : -1};
}

bool InRange(int n, int first, int last) { return n >= first && n <= last; }

// LIST_SELECTED<i> of the output lists, counted from 0.
std::optional<FieldSpot> OutputListKey(ConfigBlock block, const QString& key) {
  const KeyNumber k = SplitNumber(key);
  if (k.base == QLatin1String("LIST_SELECTED"))
    return InRange(k.number, 0, kOutputCount - 1) ? Spot({block, 0}, k.base, k.number) : std::nullopt;
  return Spot({block, 0}, key);
}

std::optional<FieldSpot> CanExportKey(int x, const QString& key) {
  if (!InRange(x, 1, kCanExportCount)) return std::nullopt;
  // Export 1's own keys carry its number.
  if (x == 1 && (key == QLatin1String("CAN_ID_1") || key == QLatin1String("REFRESS_TIME_1")))
    return Spot({ConfigBlock::CanExport, 1}, key.chopped(2));
  const KeyNumber k = SplitNumber(key);
  if (k.base == QLatin1String("CHANNEL_INDEX_")) {
    // Export 1 counts its entries from 1, the others from 0.
    const int element = x == 1 ? k.number - 1 : k.number;
    if (!InRange(element, 0, CanExportEntryCount(x) - 1)) return std::nullopt;
    return Spot({ConfigBlock::CanExport, x}, k.base, element);
  }
  if (key == QLatin1String("ROW_COUNT") && x != 1) return std::nullopt;
  return Spot({ConfigBlock::CanExport, x}, key);
}

std::optional<FieldSpot> FlashKey(const QString& key) {
  static const QRegularExpression slotKey(QStringLiteral("^CHANNEL_LIST(\\d+)index (\\d+)$"));
  if (const QRegularExpressionMatch m = slotKey.match(key); m.hasMatch()) {
    const int n = m.captured(1).toInt();
    const int i = m.captured(2).toInt();
    if (!InRange(n, 1, kFlashCount) || !InRange(i, 0, kFlashSlotCount - 1)) return std::nullopt;
    return Spot({ConfigBlock::Flash, n}, QStringLiteral("CHANNEL_LIST"), i);
  }
  const KeyNumber k = SplitNumber(key);
  if (!InRange(k.number, 1, kFlashCount) || k.base == QLatin1String("CHANNEL_LIST")) return std::nullopt;
  return Spot({ConfigBlock::Flash, k.number}, k.base);
}

// Keys of numbered records: the field's key followed by the record's number.
std::optional<FieldSpot> NumberedKey(ConfigBlock block, int count, const QString& key) {
  const KeyNumber k = SplitNumber(key);
  if (!InRange(k.number, 1, count)) return std::nullopt;
  return Spot({block, k.number}, k.base);
}

QString ChannelTag(const FieldSpot& spot) {
  const int n = spot.slot.number;
  if (spot.element >= 0) {
    // The output lists' entries are outputs; a flash slot or an export entry is its record's.
    const ConfigBlock b = spot.slot.block;
    if (b == ConfigBlock::LowBattery || b == ConfigBlock::StartButton || b == ConfigBlock::KillButton)
      return QStringLiteral("CH%1").arg(spot.element + 1);
  }
  switch (spot.slot.block) {
    case ConfigBlock::Input: return n > 0 ? QStringLiteral("Input %1").arg(n) : QString();
    case ConfigBlock::Output: return n > 0 ? QStringLiteral("CH%1").arg(n) : QString();
    case ConfigBlock::CanInput: return QStringLiteral("CAN input %1").arg(n);
    case ConfigBlock::VirtualInput: return QStringLiteral("Virtual input %1").arg(n);
    case ConfigBlock::Flash: return QStringLiteral("Flash %1").arg(n);
    case ConfigBlock::CanExport: return QStringLiteral("CAN export %1").arg(n);
    default: return QString();
  }
}

}  // namespace

std::optional<FieldSpot> FieldOfKey(const QString& s, const QString& key) {
  if (s.isEmpty()) return key == BoxNameKey() ? std::optional<FieldSpot>(FieldSpot{{ConfigBlock::BoxName, 0}, 0, -1})
                                              : std::nullopt;
  if (s == QLatin1String("INPUT"))
    return key == QLatin1String("PWM_ENABLE") ? Spot({ConfigBlock::Input, 0}, key)
                                              : NumberedKey(ConfigBlock::Input, kInputCount, key);
  if (s == QLatin1String("OUTPUT")) {
    if (const auto block = Spot({ConfigBlock::Output, 0}, key)) return block;
    return NumberedKey(ConfigBlock::Output, kOutputCount, key);
  }
  if (s == QLatin1String("LOW_BATTERY")) return OutputListKey(ConfigBlock::LowBattery, key);
  if (s == QLatin1String("START BUTTON")) return OutputListKey(ConfigBlock::StartButton, key);
  if (s == QLatin1String("KILL BUTTON")) return OutputListKey(ConfigBlock::KillButton, key);
  if (s == QLatin1String("CAN_SETUP")) return Spot({ConfigBlock::CanSetup, 0}, key);
  if (s == QLatin1String("CAN_INPUT")) return NumberedKey(ConfigBlock::CanInput, kCanInputCount, key);
  if (s == QLatin1String("CAN_INPUT_ENABLE")) return Spot({ConfigBlock::CanInputEnable, 0}, key);
  if (s == QLatin1String("VIRTUAL_INPUT")) return NumberedKey(ConfigBlock::VirtualInput, kVirtualInputCount, key);
  if (s == QLatin1String("FLASH")) return FlashKey(key);
  if (s == QLatin1String("WIPER")) return Spot({ConfigBlock::Wiper, 0}, key);
  if (s.startsWith(QLatin1String("CAN_EXPORT_"))) {
    bool ok = false;
    const int x = s.mid(11).toInt(&ok);
    return ok ? CanExportKey(x, key) : std::nullopt;
  }
  return std::nullopt;
}

QString FieldLabel(const FieldSpot& spot) {
  const QString base = WithRecordType(spot.slot, [&](auto tag) {
    using R = typename decltype(tag)::Type;
    if constexpr (std::is_same_v<R, ChannelName>) {
      return BoxNameKey();
    } else {
      const auto table = Table<R>();
      return spot.field >= 0 && spot.field < int(table.size()) ? QString::fromLatin1(table[std::size_t(spot.field)].label)
                                                              : QString();
    }
  });
  if (spot.element < 0) return base;
  if (spot.slot.block == ConfigBlock::Flash) return base + QStringLiteral(" %1").arg(spot.element + 1);
  if (spot.slot.block == ConfigBlock::CanExport) {
    // Export 1 sends one byte per entry; the others one bit, bit 7 first.
    if (spot.slot.number == 1) return QStringLiteral("Data byte %1").arg(spot.element + 1);
    return QStringLiteral("Data byte %1 bit %2").arg(spot.element / 8).arg(7 - spot.element % 8);
  }
  return base;
}

QString FieldLabel(const QString& section, const QString& key) {
  const std::optional<FieldSpot> spot = FieldOfKey(section, key);
  return spot ? FieldLabel(*spot) : key;
}

void CopyField(ConfigModel& into, const ConfigModel& from, const FieldSpot& spot) {
  WithRecordType(spot.slot, [&](auto tag) {
    using R = typename decltype(tag)::Type;
    if constexpr (std::is_same_v<R, ChannelName>) {
      into.SetBoxName(from.BoxName());
    } else {
      const auto table = Table<R>();
      if (spot.field < 0 || spot.field >= int(table.size())) return;
      R record = std::get<R>(RecordAt(into, spot.slot));
      table[std::size_t(spot.field)].copy(record, std::get<R>(RecordAt(from, spot.slot)), spot.element);
      SetRecord(into, spot.slot, record);
    }
  });
}

std::optional<FieldSpot> FirstChangedField(const RecordChange& change) {
  return WithRecordType(change.slot, [&](auto tag) -> std::optional<FieldSpot> {
    using R = typename decltype(tag)::Type;
    const R* before = std::get_if<R>(&change.before);
    const R* after = std::get_if<R>(&change.after);
    if (!before || !after) return std::nullopt;
    if constexpr (std::is_same_v<R, ChannelName>) {
      if (*before == *after) return std::nullopt;
      return FieldSpot{change.slot, 0, -1};
    } else {
      const auto table = Table<R>();
      for (std::size_t i = 0; i < table.size(); ++i) {
        const int d = table[i].firstDiff(*before, *after);
        if (d != kSame) return FieldSpot{change.slot, int(i), d};
      }
      return std::nullopt;
    }
  });
}

namespace {

const char* BlockName(ConfigBlock b) {
  switch (b) {
    case ConfigBlock::Input: return "Input";
    case ConfigBlock::Output: return "Output";
    case ConfigBlock::LowBattery: return "LowBattery";
    case ConfigBlock::StartButton: return "StartButton";
    case ConfigBlock::KillButton: return "KillButton";
    case ConfigBlock::CanSetup: return "CanSetup";
    case ConfigBlock::CanInput: return "CanInput";
    case ConfigBlock::CanInputEnable: return "CanInputEnable";
    case ConfigBlock::VirtualInput: return "VirtualInput";
    case ConfigBlock::Flash: return "Flash";
    case ConfigBlock::Wiper: return "Wiper";
    case ConfigBlock::CanExport: return "CanExport";
    case ConfigBlock::BoxName: return "BoxName";
  }
  return "";
}

constexpr ConfigBlock kRecordBlocks[] = {
    ConfigBlock::Input,    ConfigBlock::Output,         ConfigBlock::LowBattery,   ConfigBlock::StartButton,
    ConfigBlock::KillButton, ConfigBlock::CanSetup,     ConfigBlock::CanInput,     ConfigBlock::CanInputEnable,
    ConfigBlock::VirtualInput, ConfigBlock::Flash,      ConfigBlock::Wiper,        ConfigBlock::CanExport};

}  // namespace

QList<ExactField> ExactFieldsDiffering(const ConfigModel& model, const ConfigModel& fromFile) {
  QList<ExactField> out;
  for (ConfigBlock block : kRecordBlocks) {
    for (int n : RecordNumbers(block)) {
      const RecordSlot slot{block, n};
      if (SameRecord(model, fromFile, slot)) continue;
      WithRecordType(slot, [&](auto tag) {
        using R = typename decltype(tag)::Type;
        if constexpr (!std::is_same_v<R, ChannelName>) {
          const R mine = std::get<R>(RecordAt(model, slot));
          const R theirs = std::get<R>(RecordAt(fromFile, slot));
          for (const Field<R>& f : Table<R>())
            if (f.firstDiff(mine, theirs) != kSame)
              out.append({QStringLiteral("%1.%2.%3").arg(QLatin1String(BlockName(block))).arg(n).arg(QLatin1String(f.key)),
                          f.encode(mine)});
        }
      });
    }
  }
  return out;
}

bool SetExactField(ConfigModel& model, const QString& key, const QByteArray& value) {
  const QStringList parts = key.split(QLatin1Char('.'));
  if (parts.size() != 3) return false;
  bool ok = false;
  const int n = parts[1].toInt(&ok);
  if (!ok) return false;
  for (ConfigBlock block : kRecordBlocks) {
    if (parts[0] != QLatin1String(BlockName(block))) continue;
    const std::vector<int>& numbers = RecordNumbers(block);
    if (std::find(numbers.begin(), numbers.end(), n) == numbers.end()) return false;
    const RecordSlot slot{block, n};
    return WithRecordType(slot, [&](auto tag) {
      using R = typename decltype(tag)::Type;
      if constexpr (std::is_same_v<R, ChannelName>) {
        return false;
      } else {
        for (const Field<R>& f : Table<R>()) {
          if (parts[2] != QLatin1String(f.key)) continue;
          R record = std::get<R>(RecordAt(model, slot));
          if (!f.decode(record, value)) return false;
          SetRecord(model, slot, record);
          return true;
        }
        return false;
      }
    });
  }
  return false;
}

QString ChangeName(const ConfigDelta& delta) {
  for (const RecordChange& c : delta.Changes()) {
    if (const std::optional<FieldSpot> spot = FirstChangedField(c)) {
      const QString tag = ChannelTag(*spot);
      const QString label = FieldLabel(*spot);
      return tag.isEmpty() ? label : label + QLatin1Char(' ') + tag;
    }
  }
  return QStringLiteral("Change");
}

}  // namespace relvane

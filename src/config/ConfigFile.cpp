#include "config/ConfigFile.h"

#include "config/ConfigModel.h"
#include "config/IniFile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace relvane {

namespace {

const QString kInput = QStringLiteral("INPUT");
const QString kOutput = QStringLiteral("OUTPUT");
const QString kLowBattery = QStringLiteral("LOW_BATTERY");
const QString kStartButton = QStringLiteral("START BUTTON");
const QString kKillButton = QStringLiteral("KILL BUTTON");
const QString kCanSetup = QStringLiteral("CAN_SETUP");
const QString kCanInput = QStringLiteral("CAN_INPUT");
const QString kCanInputEnable = QStringLiteral("CAN_INPUT_ENABLE");
const QString kVirtualInput = QStringLiteral("VIRTUAL_INPUT");
const QString kFlash = QStringLiteral("FLASH");
const QString kWiper = QStringLiteral("WIPER");

QString CanExportSection(int n) { return QStringLiteral("CAN_EXPORT_%1").arg(n); }

// Built in one piece: a whole configuration reads and writes some 1300 keys.
QString Key(const char* base, int n) {
  char text[64];
  const int size = std::snprintf(text, sizeof text, "%s%d", base, n);
  return QString::fromLatin1(text, std::min(size, int(sizeof text) - 1));
}
QString Key(const char* base) { return QLatin1String(base); }

uint8_t Low8(int v) { return static_cast<uint8_t>(v & 0xFF); }

// A list position as the file holds it: nothing selected is -1.
int PositionOrNone(int value, int listSize) { return value >= 0 && value < listSize ? value : kNoSelection; }

// Writes what a selector holding no selection would write.
int CodeOrNone(int code) { return code < 0 ? kTriggerCodeNone : code; }

void WriteOutputList(IniFile& ini, const QString& section, const OutputList& list) {
  ini.WriteInteger(section, Key("OUTPUT_LIST_COUNT"), kOutputCount);
  for (int i = 0; i < kOutputCount; ++i) ini.WriteBool(section, Key("LIST_SELECTED", i), list[std::size_t(i)]);
}

OutputList ReadOutputList(const IniFile& ini, const QString& section) {
  OutputList list;
  const int count = std::min(ini.ReadInteger(section, Key("OUTPUT_LIST_COUNT"), 0), kOutputCount);
  for (int i = 0; i < count; ++i) list[std::size_t(i)] = ini.ReadBool(section, Key("LIST_SELECTED", i), false);
  return list;
}

// A wiper input: the code passes through the extended list; what the base list cannot show
// selects nothing.
int ReadWiperInput(const IniFile& ini, const char* key) {
  const int position = TriggerCodeToPosition(Low8(ini.ReadInteger(kWiper, Key(key), 0)));
  return position >= kTriggerBaseListSize ? kNoSelection : PositionToTriggerCode(position);
}

// The real's fraction cut off towards zero, then its low 8 bits, as a signed byte.
int8_t CalOffsetFromReal(double v) {
  const double low = std::fmod(std::trunc(v), 256.0);  // exact, in (-256, 256)
  return static_cast<int8_t>(static_cast<uint8_t>(static_cast<int>(low) & 0xFF));
}

}  // namespace

QString ConfigFilePath(const QString& path) {
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
  const QString stem = dot > slash ? path.left(dot) : path;
  return stem + QStringLiteral(".cfg");
}

void WriteConfig(const ConfigModel& m, IniFile& ini) {
  // INPUT
  for (int n = 1; n <= kInputCount; ++n) {
    const InputConfig& r = m.Input(n);
    ini.WriteBytes(kInput, Key("NAME", n), r.NAME);
    ini.WriteInteger(kInput, Key("MODE", n), r.MODE < 0 ? 255 : r.MODE);
  }
  ini.WriteBool(kInput, Key("PWM_ENABLE"), m.InputBlock().PWM_ENABLE);

  // OUTPUT, one group of keys after the other
  ini.WriteString(kOutput, Key("AutoResetError"), m.OutputBlock().AutoResetError);
  for (int n = 1; n <= kOutputCount; ++n) ini.WriteBytes(kOutput, Key("NAME", n), m.Output(n).NAME);
  for (int n = 1; n <= kOutputCount; ++n) ini.WriteInteger(kOutput, Key("TRIGGER", n), CodeOrNone(m.Output(n).TRIGGER));
  for (int n = 1; n <= kOutputCount; ++n) {
    const int level = m.Output(n).TRIGLEVEL;
    ini.WriteInteger(kOutput, Key("TRIGLEVEL", n), level < 0 ? 1 : level);
  }
  for (int n = 1; n <= kOutputCount; ++n) ini.WriteInteger(kOutput, Key("DELAY", n), NumberOrZero(m.Output(n).DELAY));
  for (int n = 1; n <= kHighPowerOutputCount; ++n)
    ini.WriteInteger(kOutput, Key("MAX_CURRENT", n), NumberOrZero(m.Output(n).MAX_CURRENT));
  for (int n = 1; n <= kHighPowerOutputCount; ++n)
    ini.WriteInteger(kOutput, Key("PEAK_TIME", n), NumberOrZero(m.Output(n).PEAK_TIME));
  for (int n = 1; n <= kHighPowerOutputCount; ++n)
    ini.WriteInteger(kOutput, Key("LOW_CURRENT", n), NumberOrZero(m.Output(n).LOW_CURRENT));
  for (int n = 1; n <= kHighPowerOutputCount; ++n)
    ini.WriteInteger(kOutput, Key("LOW_CURRENT_TIME", n), Low8(NumberOrZero(m.Output(n).LOW_CURRENT_TIME)));
  for (int n = 1; n <= kOutputCount; ++n) ini.WriteInteger(kOutput, Key("ON_TIME", n), NumberOrZero(m.Output(n).ON_TIME));
  ini.WriteBool(kOutput, Key("PWM_1"), m.OutputBlock().PWM_1);
  ini.WriteBool(kOutput, Key("PWM_2"), m.OutputBlock().PWM_2);

  // LOW_BATTERY
  ini.WriteString(kLowBattery, Key("LOW_TRIG"), m.LowBattery().LOW_TRIG);
  ini.WriteString(kLowBattery, Key("UPPER_TRIG"), m.LowBattery().UPPER_TRIG);
  WriteOutputList(ini, kLowBattery, m.LowBattery().LIST_SELECTED);

  // START BUTTON, KILL BUTTON
  ini.WriteInteger(kStartButton, Key("INPUT_TRIGGER_INDEX"), m.StartButton().INPUT_TRIGGER_INDEX);
  WriteOutputList(ini, kStartButton, m.StartButton().LIST_SELECTED);
  ini.WriteInteger(kKillButton, Key("INPUT_TRIGGER_INDEX"), m.KillButton().INPUT_TRIGGER_INDEX);
  ini.WriteInteger(kKillButton, Key("INPUT_DELAY"), m.KillButton().INPUT_DELAY);
  WriteOutputList(ini, kKillButton, m.KillButton().LIST_SELECTED);

  // CAN_SETUP
  const CanSetupConfig& cs = m.CanSetup();
  ini.WriteInteger(kCanSetup, Key("BitRate"), cs.BitRate);
  ini.WriteString(kCanSetup, Key("NoCANdelay"), cs.NoCANdelay);
  ini.WriteString(kCanSetup, Key("ResetChannelErrorID"), cs.ResetChannelErrorID);
  ini.WriteInteger(kCanSetup, Key("ResetChannelErrorDataByte"), cs.ResetChannelErrorDataByte);
  ini.WriteString(kCanSetup, Key("ResetChannelErrorMask"), cs.ResetChannelErrorMask);

  // CAN_INPUT
  for (int n = 1; n <= kCanInputCount; ++n) {
    const CanInputConfig& r = m.CanInput(n);
    ini.WriteBool(kCanInput, Key("ENABLED", n), r.ENABLED);
    ini.WriteInteger(kCanInput, Key("NO_CAN_DATA_STATE", n), r.NO_CAN_DATA_STATE);
    ini.WriteInteger(kCanInput, Key("CAN_ID_ON", n), r.CAN_ID_ON);
    ini.WriteInteger(kCanInput, Key("CAN_ID_OFF", n), r.CAN_ID_OFF);
    ini.WriteInteger(kCanInput, Key("CAN_OPERATOR_ON", n), r.CAN_OPERATOR_ON);
    ini.WriteInteger(kCanInput, Key("CAN_OPERATOR_OFF", n), r.CAN_OPERATOR_OFF);
    ini.WriteInteger(kCanInput, Key("CAN_VALUE_ON", n), r.CAN_VALUE_ON);
    ini.WriteInteger(kCanInput, Key("CAN_VALUE_OFF", n), r.CAN_VALUE_OFF);
    ini.WriteInteger(kCanInput, Key("CAN_HIGH_BYTE_ON_POS", n), r.CAN_HIGH_BYTE_ON_POS);
    ini.WriteInteger(kCanInput, Key("CAN_LOW_BYTE_ON_POS", n), r.CAN_LOW_BYTE_ON_POS);
    ini.WriteInteger(kCanInput, Key("CAN_HIGH_BYTE_OFF_POS", n), r.CAN_HIGH_BYTE_OFF_POS);
    ini.WriteInteger(kCanInput, Key("CAN_LOW_BYTE_OFF_POS", n), r.CAN_LOW_BYTE_OFF_POS);
    ini.WriteBytes(kCanInput, Key("CAN_NAME", n), r.CAN_NAME);
    ini.WriteBool(kCanInput, Key("ROW_ENABLED", n), r.ROW_ENABLED);
    ini.WriteInteger(kCanInput, Key("ROW_INDEX", n), r.ROW_INDEX);
    ini.WriteInteger(kCanInput, Key("ROW_VALUE", n), r.ROW_VALUE);
    ini.WriteInteger(kCanInput, Key("DATA_TYPE_", n), r.DATA_TYPE_);
    ini.WriteBytes(kCanInput, Key("DIMENSION_NAME", n), r.DIMENSION_NAME);
    ini.WriteFloat(kCanInput, Key("MULTIPLICATOR_", n), double(r.MULTIPLICATOR_));
    ini.WriteFloat(kCanInput, Key("CAL_OFFSET_", n), double(r.CAL_OFFSET_));
  }

  // CAN_INPUT_ENABLE
  ini.WriteBool(kCanInputEnable, Key("ENABLE"), m.CanInputEnable().ENABLE);
  ini.WriteInteger(kCanInputEnable, Key("INPUT_PIN"), m.CanInputEnable().INPUT_PIN);

  // VIRTUAL_INPUT
  for (int n = 1; n <= kVirtualInputCount; ++n) {
    const VirtualInputConfig& r = m.VirtualInput(n);
    ini.WriteInteger(kVirtualInput, Key("IN_DELAY_1_", n), r.IN_DELAY_1_);
    ini.WriteInteger(kVirtualInput, Key("IN_DELAY_2_", n), r.IN_DELAY_2_);
    ini.WriteInteger(kVirtualInput, Key("IN_DELAY_3_", n), r.IN_DELAY_3_);
    ini.WriteInteger(kVirtualInput, Key("CHANNEL_1_Index", n), r.CHANNEL_1_Index);
    ini.WriteInteger(kVirtualInput, Key("CHANNEL_2_Index", n), r.CHANNEL_2_Index);
    ini.WriteInteger(kVirtualInput, Key("CHANNEL_3_Index", n), r.CHANNEL_3_Index);
    ini.WriteInteger(kVirtualInput, Key("OPERATOR_1_Index", n), r.OPERATOR_1_Index);
    ini.WriteInteger(kVirtualInput, Key("OPERATOR_2_Index", n), r.OPERATOR_2_Index);
    ini.WriteInteger(kVirtualInput, Key("MASK_NOT", n), r.MASK_NOT);
    ini.WriteBytes(kVirtualInput, Key("VIRTUAL_NAME", n), r.VIRTUAL_NAME);
  }

  // FLASH
  for (int n = 1; n <= kFlashCount; ++n) {
    const FlashConfig& r = m.Flash(n);
    ini.WriteBool(kFlash, Key("ENABLED", n), r.ENABLED != 0);
    ini.WriteBool(kFlash, Key("CONTINUES", n), r.CONTINUES != 0);
    ini.WriteInteger(kFlash, Key("INPUT_TRIGGER", n), r.INPUT_TRIGGER);
    for (int i = 0; i < kFlashSlotCount; ++i)
      ini.WriteInteger(kFlash, QStringLiteral("CHANNEL_LIST%1index %2").arg(n).arg(i), r.CHANNEL_LIST[std::size_t(i)]);
    ini.WriteInteger(kFlash, Key("FLASH_TIME_ON", n), r.FLASH_TIME_ON);
    ini.WriteInteger(kFlash, Key("FLASH_TIME_OFF", n), r.FLASH_TIME_OFF);
    ini.WriteInteger(kFlash, Key("DURATION", n), r.DURATION);
    ini.WriteBytes(kFlash, Key("FLASH_NAME", n), r.FLASH_NAME);
  }

  // WIPER
  const WiperConfig& w = m.Wiper();
  ini.WriteInteger(kWiper, Key("LOW_SPEED_INPUT"), CodeOrNone(w.LOW_SPEED_INPUT));
  ini.WriteInteger(kWiper, Key("HIGH_SPEED_INPUT"), CodeOrNone(w.HIGH_SPEED_INPUT));
  ini.WriteInteger(kWiper, Key("INTERVAL_INPUT"), CodeOrNone(w.INTERVAL_INPUT));
  ini.WriteInteger(kWiper, Key("HOME_PARK_INPUT"), CodeOrNone(w.HOME_PARK_INPUT));
  ini.WriteInteger(kWiper, Key("HOME_PARK_LEVEL"), w.HOME_PARK_LEVEL);
  ini.WriteInteger(kWiper, Key("INTERVAL_TIME"), w.INTERVAL_TIME);

  // CAN_EXPORT_1 to CAN_EXPORT_4
  {
    const CanExportConfig& e = m.CanExport(1);
    const QString s = CanExportSection(1);
    ini.WriteBool(s, Key("ENABLED"), e.ENABLED);
    ini.WriteInteger(s, Key("CAN_ID_1"), NumberOrZero(e.CAN_ID));
    ini.WriteInteger(s, Key("ROW_COUNT"), NumberOrZero(e.ROW_COUNT));
    ini.WriteInteger(s, Key("REFRESS_TIME_1"), NumberOrZero(e.REFRESS_TIME));
    for (int k = 1; k <= CanExportEntryCount(1); ++k)
      ini.WriteInteger(s, Key("CHANNEL_INDEX_", k), e.CHANNEL_INDEX_[std::size_t(k - 1)]);
  }
  for (int x = 2; x <= kCanExportCount; ++x) {
    const CanExportConfig& e = m.CanExport(x);
    const QString s = CanExportSection(x);
    ini.WriteBool(s, Key("ENABLED"), e.ENABLED);
    ini.WriteInteger(s, Key("CAN_ID"), NumberOrZero(e.CAN_ID));
    ini.WriteInteger(s, Key("REFRESS_TIME"), NumberOrZero(e.REFRESS_TIME));
    for (int k = 0; k < CanExportEntryCount(x); ++k)
      ini.WriteInteger(s, Key("CHANNEL_INDEX_", k), e.CHANNEL_INDEX_[std::size_t(k)]);
  }
}

void ReadConfig(ConfigModel& m, const IniFile& ini) {
  ConfigModel::UpdateBatch batch(m);
  const QByteArray unnamed("---");

  // INPUT
  for (int n = 1; n <= kInputCount; ++n) {
    InputConfig r;
    r.NAME = ini.ReadBytes(kInput, Key("NAME", n), unnamed);
    const int mode = Low8(ini.ReadInteger(kInput, Key("MODE", n), 0));
    r.MODE = mode <= 1 ? mode : kNoSelection;
    m.SetInput(n, r);
  }
  m.ModifyInputBlock([&](InputBlockConfig& b) { b.PWM_ENABLE = ini.ReadBool(kInput, Key("PWM_ENABLE"), false); });

  // OUTPUT
  m.ModifyOutputBlock([&](OutputBlockConfig& b) {
    b.AutoResetError = ini.ReadString(kOutput, Key("AutoResetError"), QStringLiteral("0"));
    b.PWM_1 = ini.ReadBool(kOutput, Key("PWM_1"), false);
    b.PWM_2 = ini.ReadBool(kOutput, Key("PWM_2"), false);
  });
  for (int n = 1; n <= kOutputCount; ++n) {
    OutputConfig r;
    r.NAME = ini.ReadBytes(kOutput, Key("NAME", n), unnamed);
    r.TRIGGER = PositionToTriggerCode(TriggerCodeToPosition(Low8(ini.ReadInteger(kOutput, Key("TRIGGER", n), 0))));
    r.TRIGLEVEL = ini.ReadInteger(kOutput, Key("TRIGLEVEL", n), 0) == 16 ? 16 : 1;
    r.DELAY = ini.ReadInteger(kOutput, Key("DELAY", n), 0);
    if (n <= kHighPowerOutputCount) {
      r.MAX_CURRENT = ini.ReadInteger(kOutput, Key("MAX_CURRENT", n), 100);
      r.PEAK_TIME = ini.ReadInteger(kOutput, Key("PEAK_TIME", n), 100);
      r.LOW_CURRENT = ini.ReadInteger(kOutput, Key("LOW_CURRENT", n), 0);
      r.LOW_CURRENT_TIME = ini.ReadInteger(kOutput, Key("LOW_CURRENT_TIME", n), 0);
    }
    r.ON_TIME = ini.ReadInteger(kOutput, Key("ON_TIME", n), 0);
    m.SetOutput(n, r);
  }

  // LOW_BATTERY
  m.ModifyLowBattery([&](LowBatteryConfig& r) {
    r.LOW_TRIG = ini.ReadString(kLowBattery, Key("LOW_TRIG"), QStringLiteral("---"));
    r.UPPER_TRIG = ini.ReadString(kLowBattery, Key("UPPER_TRIG"), QStringLiteral("---"));
    r.LIST_SELECTED = ReadOutputList(ini, kLowBattery);
  });

  // START BUTTON, KILL BUTTON
  m.ModifyStartButton([&](StartButtonConfig& r) {
    r.INPUT_TRIGGER_INDEX = PositionOrNone(ini.ReadInteger(kStartButton, Key("INPUT_TRIGGER_INDEX"), 0), kTriggerListSize);
    r.LIST_SELECTED = ReadOutputList(ini, kStartButton);
  });
  m.ModifyKillButton([&](KillButtonConfig& r) {
    r.INPUT_TRIGGER_INDEX = PositionOrNone(ini.ReadInteger(kKillButton, Key("INPUT_TRIGGER_INDEX"), 0), kTriggerListSize);
    r.INPUT_DELAY = ini.ReadInteger(kKillButton, Key("INPUT_DELAY"), 0);
    r.LIST_SELECTED = ReadOutputList(ini, kKillButton);
  });

  // CAN_SETUP
  m.ModifyCanSetup([&](CanSetupConfig& r) {
    r.BitRate = ini.ReadInteger(kCanSetup, Key("BitRate"), 1000) == 500 ? 500 : 1000;
    r.NoCANdelay = ini.ReadString(kCanSetup, Key("NoCANdelay"), QStringLiteral("10"));
    r.ResetChannelErrorID = ini.ReadString(kCanSetup, Key("ResetChannelErrorID"), QString());
    r.ResetChannelErrorDataByte = PositionOrNone(ini.ReadInteger(kCanSetup, Key("ResetChannelErrorDataByte"), -1), 8);
    r.ResetChannelErrorMask = ini.ReadString(kCanSetup, Key("ResetChannelErrorMask"), QString());
  });

  // CAN_INPUT
  for (int n = 1; n <= kCanInputCount; ++n) {
    CanInputConfig r;
    r.ENABLED = ini.ReadBool(kCanInput, Key("ENABLED", n), false);
    r.NO_CAN_DATA_STATE = ini.ReadInteger(kCanInput, Key("NO_CAN_DATA_STATE", n), 0);
    r.CAN_ID_ON = ini.ReadInteger(kCanInput, Key("CAN_ID_ON", n), 0);
    r.CAN_ID_OFF = ini.ReadInteger(kCanInput, Key("CAN_ID_OFF", n), 0);
    r.CAN_OPERATOR_ON = ini.ReadInteger(kCanInput, Key("CAN_OPERATOR_ON", n), 0);
    r.CAN_OPERATOR_OFF = ini.ReadInteger(kCanInput, Key("CAN_OPERATOR_OFF", n), 0);
    r.CAN_VALUE_ON = ini.ReadInteger(kCanInput, Key("CAN_VALUE_ON", n), 0);
    r.CAN_VALUE_OFF = ini.ReadInteger(kCanInput, Key("CAN_VALUE_OFF", n), 0);
    r.CAN_HIGH_BYTE_ON_POS = Low8(ini.ReadInteger(kCanInput, Key("CAN_HIGH_BYTE_ON_POS", n), 255));
    r.CAN_LOW_BYTE_ON_POS = Low8(ini.ReadInteger(kCanInput, Key("CAN_LOW_BYTE_ON_POS", n), 255));
    r.CAN_HIGH_BYTE_OFF_POS = Low8(ini.ReadInteger(kCanInput, Key("CAN_HIGH_BYTE_OFF_POS", n), 255));
    r.CAN_LOW_BYTE_OFF_POS = Low8(ini.ReadInteger(kCanInput, Key("CAN_LOW_BYTE_OFF_POS", n), 255));
    r.CAN_NAME = ini.ReadBytes(kCanInput, Key("CAN_NAME", n), "CAN " + QByteArray::number(n));
    r.ROW_ENABLED = ini.ReadBool(kCanInput, Key("ROW_ENABLED", n), false);
    r.ROW_INDEX = Low8(ini.ReadInteger(kCanInput, Key("ROW_INDEX", n), 0));
    r.ROW_VALUE = Low8(ini.ReadInteger(kCanInput, Key("ROW_VALUE", n), 0));
    r.DATA_TYPE_ = Low8(ini.ReadInteger(kCanInput, Key("DATA_TYPE_", n), 0));
    r.DIMENSION_NAME = ini.ReadBytes(kCanInput, Key("DIMENSION_NAME", n), QByteArray());
    r.MULTIPLICATOR_ = static_cast<float>(ini.ReadFloat(kCanInput, Key("MULTIPLICATOR_", n), 1.0));
    r.CAL_OFFSET_ = CalOffsetFromReal(ini.ReadFloat(kCanInput, Key("CAL_OFFSET_", n), 0.0));
    m.SetCanInput(n, r);
  }

  // CAN_INPUT_ENABLE
  m.ModifyCanInputEnable([&](CanInputEnableConfig& r) {
    r.ENABLE = ini.ReadBool(kCanInputEnable, Key("ENABLE"), false);
    r.INPUT_PIN = PositionOrNone(ini.ReadInteger(kCanInputEnable, Key("INPUT_PIN"), 0), kInputCount);
  });

  // VIRTUAL_INPUT
  for (int n = 1; n <= kVirtualInputCount; ++n) {
    VirtualInputConfig r;
    const auto byte = [&](const char* key) { return Low8(ini.ReadInteger(kVirtualInput, Key(key, n), 0)); };
    r.IN_DELAY_1_ = byte("IN_DELAY_1_");
    r.IN_DELAY_2_ = byte("IN_DELAY_2_");
    r.IN_DELAY_3_ = byte("IN_DELAY_3_");
    r.CHANNEL_1_Index = byte("CHANNEL_1_Index");
    r.CHANNEL_2_Index = byte("CHANNEL_2_Index");
    r.CHANNEL_3_Index = byte("CHANNEL_3_Index");
    r.OPERATOR_1_Index = static_cast<int8_t>(byte("OPERATOR_1_Index"));
    r.OPERATOR_2_Index = static_cast<int8_t>(byte("OPERATOR_2_Index"));
    r.MASK_NOT = byte("MASK_NOT");
    r.VIRTUAL_NAME = ini.ReadBytes(kVirtualInput, Key("VIRTUAL_NAME", n), "VIRTUAL " + QByteArray::number(n));
    m.SetVirtualInput(n, r);
  }

  // FLASH
  for (int n = 1; n <= kFlashCount; ++n) {
    FlashConfig r;
    r.ENABLED = ini.ReadBool(kFlash, Key("ENABLED", n), false) ? 1 : 0;
    r.CONTINUES = ini.ReadBool(kFlash, Key("CONTINUES", n), false) ? 1 : 0;
    r.INPUT_TRIGGER = Low8(ini.ReadInteger(kFlash, Key("INPUT_TRIGGER", n), 0));
    for (int i = 0; i < kFlashSlotCount; ++i)
      r.CHANNEL_LIST[std::size_t(i)] = Low8(ini.ReadInteger(kFlash, QStringLiteral("CHANNEL_LIST%1index %2").arg(n).arg(i), 255));
    r.FLASH_TIME_ON = Low8(ini.ReadInteger(kFlash, Key("FLASH_TIME_ON", n), 0));
    r.FLASH_TIME_OFF = Low8(ini.ReadInteger(kFlash, Key("FLASH_TIME_OFF", n), 0));
    r.DURATION = Low8(ini.ReadInteger(kFlash, Key("DURATION", n), 0));
    r.FLASH_NAME = ini.ReadBytes(kFlash, Key("FLASH_NAME", n), "FLASH " + QByteArray::number(n));
    m.SetFlash(n, r);
  }

  // WIPER
  m.ModifyWiper([&](WiperConfig& r) {
    r.LOW_SPEED_INPUT = ReadWiperInput(ini, "LOW_SPEED_INPUT");
    r.HIGH_SPEED_INPUT = ReadWiperInput(ini, "HIGH_SPEED_INPUT");
    r.INTERVAL_INPUT = ReadWiperInput(ini, "INTERVAL_INPUT");
    r.HOME_PARK_INPUT = ReadWiperInput(ini, "HOME_PARK_INPUT");
    const int level = ini.ReadInteger(kWiper, Key("HOME_PARK_LEVEL"), 1);
    r.HOME_PARK_LEVEL = level < 0 ? kNoSelection : std::min(level, 1) == 0 ? 0 : 1;
    r.INTERVAL_TIME = ini.ReadInteger(kWiper, Key("INTERVAL_TIME"), 0);
  });

  // CAN_EXPORT_1 to CAN_EXPORT_4
  for (int x = 1; x <= kCanExportCount; ++x) {
    const QString s = CanExportSection(x);
    CanExportConfig e;
    e.ENABLED = ini.ReadBool(s, Key("ENABLED"), false);
    const int listSize = CanExportListSize(x);
    if (x == 1) {
      e.ROW_COUNT = ini.ReadInteger(s, Key("ROW_COUNT"), 12);
      e.CAN_ID = ini.ReadInteger(s, Key("CAN_ID_1"), 0);
      e.REFRESS_TIME = ini.ReadInteger(s, Key("REFRESS_TIME_1"), 100);
      for (int k = 1; k <= CanExportEntryCount(1); ++k)
        e.CHANNEL_INDEX_[std::size_t(k - 1)] = PositionOrNone(ini.ReadInteger(s, Key("CHANNEL_INDEX_", k), 0), listSize);
    } else {
      e.CAN_ID = ini.ReadInteger(s, Key("CAN_ID"), 0);
      e.REFRESS_TIME = ini.ReadInteger(s, Key("REFRESS_TIME"), 100);
      for (int k = 0; k < CanExportEntryCount(x); ++k)
        e.CHANNEL_INDEX_[std::size_t(k)] = PositionOrNone(ini.ReadInteger(s, Key("CHANNEL_INDEX_", k), 0), listSize);
    }
    m.SetCanExport(x, e);
  }

  m.SetBoxName(QByteArray());
}

bool LoadConfigFile(ConfigModel& model, const QString& path, QString* error) {
  IniFile ini;
  if (!ini.Load(ConfigFilePath(path), error)) return false;
  ReadConfig(model, ini);
  return true;
}

bool SaveConfigFile(const ConfigModel& model, const QString& path, QString* error) {
  IniFile ini;
  WriteConfig(model, ini);
  return ini.Save(ConfigFilePath(path), error);
}

}  // namespace relvane

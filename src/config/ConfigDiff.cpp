#include "config/ConfigDiff.h"

#include "config/ConfigModel.h"
#include "config/ConfigFile.h"
#include "config/Cp1252.h"
#include "config/IniFile.h"

#include <QByteArrayList>
#include <QRegularExpression>

namespace relvane {

namespace {

struct KeyParts {
  QString field;
  int number = -1;  // -1: the key carries no number
};

KeyParts SplitKey(const QString& key) {
  static const QRegularExpression trailing(QStringLiteral("^(.*\\D)(\\d+)$"));
  const QRegularExpressionMatch m = trailing.match(key);
  if (!m.hasMatch()) return {key, -1};
  return {m.captured(1), m.captured(2).toInt()};
}

QString NameText(const QByteArray& name) { return Cp1252ToString(name); }

// Fills channel and channelName from the section and key; the key layouts are those of the
// configuration file.
void Annotate(const ConfigModel& m, ConfigField& f) {
  const QString& s = f.section;
  if (s == QLatin1String("FLASH")) {
    static const QRegularExpression slot(QStringLiteral("^CHANNEL_LIST(\\d+)index (\\d+)$"));
    const QRegularExpressionMatch sm = slot.match(f.key);
    int n = -1;
    if (sm.hasMatch()) {
      n = sm.captured(1).toInt();
      f.field = QStringLiteral("CHANNEL_LIST index ") + sm.captured(2);
    } else {
      const KeyParts p = SplitKey(f.key);
      f.field = p.field;
      n = p.number;
    }
    if (n >= 1 && n <= kFlashCount) {
      f.channel = QStringLiteral("Flash %1").arg(n);
      f.channelName = NameText(m.Flash(n).FLASH_NAME);
    }
    return;
  }
  if (s.startsWith(QLatin1String("CAN_EXPORT_"))) {
    const int x = s.mid(11).toInt();
    f.channel = QStringLiteral("CAN export %1").arg(x);
    const KeyParts p = SplitKey(f.key);
    if (p.field == QLatin1String("CHANNEL_INDEX_")) {
      f.field = p.field;
      f.channel += QStringLiteral(" entry %1").arg(p.number);
    }
    return;
  }
  // PWM_1 and PWM_2 are block-wide flags of the outputs; their digits name no output.
  if (s == QLatin1String("OUTPUT") && (f.key == QLatin1String("PWM_1") || f.key == QLatin1String("PWM_2"))) {
    f.field = f.key;
    return;
  }
  const KeyParts p = SplitKey(f.key);
  f.field = p.field;
  if (p.number < 0) return;
  const int n = p.number;
  if (s == QLatin1String("INPUT") && n >= 1 && n <= kInputCount) {
    f.channel = QStringLiteral("Input %1").arg(n);
    f.channelName = NameText(m.Input(n).NAME);
  } else if (s == QLatin1String("OUTPUT") && n >= 1 && n <= kOutputCount) {
    f.channel = QStringLiteral("Output %1").arg(n);
    f.channelName = NameText(m.Output(n).NAME);
  } else if ((s == QLatin1String("LOW_BATTERY") || s == QLatin1String("START BUTTON") ||
              s == QLatin1String("KILL BUTTON")) &&
             p.field == QLatin1String("LIST_SELECTED") && n < kOutputCount) {
    // The output lists count their entries from 0.
    f.channel = QStringLiteral("Output %1").arg(n + 1);
    f.channelName = NameText(m.Output(n + 1).NAME);
  } else if (s == QLatin1String("CAN_INPUT") && n >= 1 && n <= kCanInputCount) {
    f.channel = QStringLiteral("CAN input %1").arg(n);
    f.channelName = NameText(m.CanInput(n).CAN_NAME);
  } else if (s == QLatin1String("VIRTUAL_INPUT") && n >= 1 && n <= kVirtualInputCount) {
    f.channel = QStringLiteral("Virtual input %1").arg(n);
    f.channelName = NameText(m.VirtualInput(n).VIRTUAL_NAME);
  } else {
    // A number that names no channel (none today) stays part of the field.
    f.field = f.key;
  }
}

QString Label(const ConfigField& f, const QString& name) {
  QString text = f.section + QLatin1Char(' ') + f.key;
  if (!f.channel.isEmpty()) {
    text += QStringLiteral(" (") + f.channel;
    if (!name.isEmpty()) text += QStringLiteral(" \"") + name + QLatin1Char('"');
    text += QLatin1Char(')');
  }
  return text;
}

}  // namespace

QList<ConfigField> ConfigFields(const ConfigModel& model) {
  IniFile ini;
  // One separator for every field list, whatever the locale, so two lists compare alike.
  ini.SetDecimalSeparator(QLatin1Char('.'));
  WriteConfig(model, ini);
  QList<ConfigField> fields;
  QString section;
  const QByteArrayList lines = ini.ToBytes().split('\n');
  for (QByteArray line : lines) {
    if (line.endsWith('\r')) line.chop(1);
    if (line.isEmpty()) continue;
    if (line.startsWith('[') && line.endsWith(']')) {
      section = Cp1252ToString(line.mid(1, line.size() - 2));
      continue;
    }
    const qsizetype eq = line.indexOf('=');
    if (eq < 0) continue;
    ConfigField f;
    f.section = section;
    f.key = Cp1252ToString(line.left(eq));
    f.value = Cp1252ToString(line.mid(eq + 1));
    Annotate(model, f);
    fields.append(f);
  }
  return fields;
}

QList<ConfigDifference> DiffConfigs(const ConfigModel& a, const ConfigModel& b) {
  const QList<ConfigField> fa = ConfigFields(a);
  const QList<ConfigField> fb = ConfigFields(b);
  QList<ConfigDifference> out;
  // Both lists come from the same writer, so they hold the same keys in the same order.
  const qsizetype n = std::min(fa.size(), fb.size());
  for (qsizetype i = 0; i < n; ++i) {
    if (fa[i].value == fb[i].value) continue;
    out.append({fa[i], fb[i].value, fb[i].channelName});
  }
  return out;
}

QString FieldLine(const ConfigField& field) {
  return Label(field, field.channelName) + QStringLiteral(" = ") + field.value;
}

QString DifferenceLine(const ConfigDifference& d) {
  QString name = d.field.channelName;
  if (d.otherChannelName != name) {
    name = name.isEmpty() ? d.otherChannelName
                          : d.otherChannelName.isEmpty() ? name : name + QStringLiteral("\" / \"") + d.otherChannelName;
  }
  return Label(d.field, name) + QStringLiteral(": ") + d.field.value + QStringLiteral(" -> ") + d.otherValue;
}

}  // namespace relvane

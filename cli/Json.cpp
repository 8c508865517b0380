#include "cli/Json.h"

#include <QJsonDocument>

namespace relvane::cli {

QJsonObject FieldJson(const ConfigField& f) {
    QJsonObject o{{QStringLiteral("section"), f.section}, {QStringLiteral("key"), f.key}, {QStringLiteral("field"), f.field}};
    o.insert(QStringLiteral("channel"), f.channel.isEmpty() ? QJsonValue() : QJsonValue(f.channel));
    o.insert(QStringLiteral("channel_name"), f.channel.isEmpty() ? QJsonValue() : QJsonValue(f.channelName));
    o.insert(QStringLiteral("value"), f.value);
    return o;
}

QJsonObject DifferenceJson(const ConfigDifference& d) {
    QJsonObject o = FieldJson(d.field);
    o.remove(QStringLiteral("value"));
    o.insert(QStringLiteral("value_a"), d.field.value);
    o.insert(QStringLiteral("value_b"), d.otherValue);
    o.insert(QStringLiteral("channel_name_b"), d.field.channel.isEmpty() ? QJsonValue() : QJsonValue(d.otherChannelName));
    return o;
}

QJsonObject StatusJson(const LiveSnapshot& s) {
    QJsonArray outputs;
    for (int i = 0; i < 34; ++i) {
        const auto& c = s.channels[std::size_t(i)];
        QJsonObject o{{QStringLiteral("output"), i + 1}};
        o.insert(QStringLiteral("on"), c ? QJsonValue(c->on) : QJsonValue());
        o.insert(QStringLiteral("current_a"), c ? QJsonValue(c->currentTenths / 10.0) : QJsonValue());
        o.insert(QStringLiteral("fault"), !c ? QJsonValue() : c->fault == 0 ? QJsonValue(QString()) : QJsonValue(FaultName(c->fault)));
        outputs.append(o);
    }
    QJsonArray inputs, canInputs;
    if (s.inputs) {
        for (bool on : s.inputs->inputs) inputs.append(on);
        for (bool on : s.inputs->canInputs) canInputs.append(on);
    }
    QJsonObject o{{QStringLiteral("outputs"), outputs}};
    o.insert(QStringLiteral("inputs"), s.inputs ? QJsonValue(inputs) : QJsonValue());
    o.insert(QStringLiteral("can_inputs"), s.inputs ? QJsonValue(canInputs) : QJsonValue());
    o.insert(QStringLiteral("total_current_a"), s.summary ? QJsonValue(s.summary->currentTenths / 10.0) : QJsonValue());
    o.insert(QStringLiteral("supply_voltage_v"), s.summary ? QJsonValue(s.summary->voltageTenths / 10.0) : QJsonValue());
    o.insert(QStringLiteral("temperature_c"), s.summary ? QJsonValue(s.summary->temperature) : QJsonValue());
    o.insert(QStringLiteral("errors"), s.summary ? QJsonValue(s.summary->errorCount) : QJsonValue());
    o.insert(QStringLiteral("complete"), s.Complete());
    return o;
}

QJsonObject CanMessageJson(const CanMonitorMessage& m, const QString& time, const QStringList& names) {
    QByteArray data;
    for (int i = 0; i < m.dataCount && i < 8; ++i) data.append(char(m.data[std::size_t(i)]));
    return QJsonObject{{QStringLiteral("time"), time},
                       {QStringLiteral("id"), int(m.identifier)},
                       {QStringLiteral("data"), QString::fromLatin1(data.toHex().toUpper())},
                       {QStringLiteral("names"), QJsonArray::fromStringList(names)}};
}

QString JsonLine(const QJsonObject& object) { return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)); }
QString JsonLine(const QJsonArray& array) { return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact)); }

}  // namespace relvane::cli

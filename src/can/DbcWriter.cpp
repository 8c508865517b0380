// Writing DBC text in the layout CAN tools write and read: the header sections, the messages
// with their signals, then comments, attributes, value tables and value types.

#include "can/Dbc.h"

#include "config/Cp1252.h"

#include <QLocale>
#include <QSaveFile>

namespace relvane {

namespace {

QString Quoted(const QString& text)
{
    QString out = text;
    out.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + out + QLatin1Char('"');
}

QString Real(double v) { return QString::number(v, 'g', QLocale::FloatingPointShortest); }

QString RawId(const DbcMessage& m) { return QString::number(m.id | (m.extended ? 0x80000000u : 0u)); }

QString SignalLine(const DbcSignal& s)
{
    QString mux;
    if (s.mux == DbcMux::Multiplexor)
        mux = QStringLiteral(" M");
    else if (s.mux == DbcMux::Multiplexed)
        mux = QStringLiteral(" m%1").arg(s.muxValue);
    const QStringList receivers = s.receivers.isEmpty() ? QStringList{QLatin1String(kDbcNoNode)} : s.receivers;
    return QStringLiteral(" SG_ %1%2 : %3|%4@%5%6 (%7,%8) [%9|%10] %11 %12")
        .arg(s.name, mux)
        .arg(s.startBit)
        .arg(s.length)
        .arg(s.order == DbcByteOrder::Intel ? QLatin1Char('1') : QLatin1Char('0'))
        .arg(s.isSigned ? QLatin1Char('-') : QLatin1Char('+'))
        .arg(Real(s.factor), Real(s.offset), Real(s.minimum), Real(s.maximum), Quoted(s.unit),
             receivers.join(QLatin1Char(',')));
}

const char* const kNamespace[] = {
    "NS_DESC_", "CM_", "BA_DEF_", "BA_", "VAL_", "CAT_DEF_", "CAT_", "FILTER", "BA_DEF_DEF_", "EV_DATA_",
    "ENVVAR_DATA_", "SGTYPE_", "SGTYPE_VAL_", "BA_DEF_SGTYPE_", "BA_SGTYPE_", "SIG_TYPE_REF_", "VAL_TABLE_",
    "SIG_GROUP_", "SIG_VALTYPE_", "SIGTYPE_VALTYPE_", "BO_TX_BU_", "BA_DEF_REL_", "BA_REL_", "BA_DEF_DEF_REL_",
    "BU_SG_REL_", "BU_EV_REL_", "BU_BO_REL_", "SG_MUL_VAL_"};

}  // namespace

QByteArray WriteDbc(const DbcDatabase& db)
{
    QStringList out;
    out << QStringLiteral("VERSION %1").arg(Quoted(db.version)) << QString() << QString()
        << QStringLiteral("NS_ :");
    for (const char* k : kNamespace)
        out << QLatin1Char('\t') + QLatin1String(k);
    out << QString() << QStringLiteral("BS_:") << QString()
        << QStringLiteral("BU_: ") + db.nodes.join(QLatin1Char(' ')) << QString();

    for (const DbcMessage& m : db.messages) {
        out << QString() << QStringLiteral("BO_ %1 %2: %3 %4").arg(RawId(m), m.name).arg(m.size).arg(m.sender);
        for (const DbcSignal& s : m.signalList)
            out << SignalLine(s);
    }
    out << QString() << QString();

    if (!db.comment.isEmpty())
        out << QStringLiteral("CM_ %1;").arg(Quoted(db.comment));
    for (const QString& node : db.nodes)
        if (db.nodeComments.contains(node))
            out << QStringLiteral("CM_ BU_ %1 %2;").arg(node, Quoted(db.nodeComments.value(node)));
    for (const DbcMessage& m : db.messages) {
        if (!m.comment.isEmpty())
            out << QStringLiteral("CM_ BO_ %1 %2;").arg(RawId(m), Quoted(m.comment));
        for (const DbcSignal& s : m.signalList)
            if (!s.comment.isEmpty())
                out << QStringLiteral("CM_ SG_ %1 %2 %3;").arg(RawId(m), s.name, Quoted(s.comment));
    }

    QList<DbcAttributeDefinition> definitions = db.attributeDefinitions;
    bool cycleTimes = false;
    for (const DbcMessage& m : db.messages)
        cycleTimes = cycleTimes || m.cycleTimeMs.has_value();
    bool defined = false;
    for (const DbcAttributeDefinition& d : definitions)
        defined = defined || d.name == QLatin1String(kDbcCycleTime);
    if (cycleTimes && !defined)
        definitions.append({QStringLiteral("BO_"), QLatin1String(kDbcCycleTime), QStringLiteral("INT 0 65535"),
                            QStringLiteral("0")});
    for (const DbcAttributeDefinition& d : definitions)
        out << QStringLiteral("BA_DEF_ %1 %2 %3;").arg(d.object, Quoted(d.name), d.type);
    for (const DbcAttributeDefinition& d : definitions)
        if (!d.defaultValue.isEmpty())
            out << QStringLiteral("BA_DEF_DEF_  %1 %2;").arg(Quoted(d.name), d.defaultValue);
    for (const DbcAttributeValue& a : db.attributes) {
        const QString object = a.object.isEmpty() ? QString() : a.object + QLatin1Char(' ') + a.target + QLatin1Char(' ');
        out << QStringLiteral("BA_ %1 %2%3;").arg(Quoted(a.name), object, a.value);
    }
    for (const DbcMessage& m : db.messages)
        if (m.cycleTimeMs)
            out << QStringLiteral("BA_ %1 BO_ %2 %3;").arg(Quoted(QLatin1String(kDbcCycleTime)), RawId(m)).arg(*m.cycleTimeMs);

    for (const DbcMessage& m : db.messages)
        for (const DbcSignal& s : m.signalList) {
            if (s.values.isEmpty())
                continue;
            QString line = QStringLiteral("VAL_ %1 %2").arg(RawId(m), s.name);
            for (const DbcValueDescription& v : s.values)
                line += QStringLiteral(" %1 %2").arg(v.value).arg(Quoted(v.text));
            out << line + QStringLiteral(" ;");
        }
    for (const DbcMessage& m : db.messages)
        for (const DbcSignal& s : m.signalList)
            if (s.valueType != DbcValueType::Integer)
                out << QStringLiteral("SIG_VALTYPE_ %1 %2 : %3;")
                           .arg(RawId(m), s.name)
                           .arg(s.valueType == DbcValueType::Float32 ? 1 : 2);
    out << QString();

    QString text = out.join(QLatin1Char('\n'));
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return StringToCp1252(text);
}

bool SaveDbcFile(const DbcDatabase& database, const QString& path, QString* error)
{
    QSaveFile file(path);
    const QByteArray bytes = WriteDbc(database);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("Unable to create file: '%1'").arg(path);
        return false;
    }
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = QStringLiteral("Unable to write to %1").arg(path);
        return false;
    }
    return true;
}

}  // namespace relvane

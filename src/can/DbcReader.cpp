// Reading DBC text. The file is a series of statements, each starting with its keyword at the
// start of a line: BO_ and SG_ take one line each, the others run to a ';' and may span lines
// (comments hold line breaks). A statement that cannot be used is reported with its line and
// left out, and reading goes on at the next statement, so one bad line never costs the file.

#include "can/Dbc.h"

#include "can/DbcLexer.h"
#include "config/Cp1252.h"

#include <QFile>
#include <QSet>
#include <QStringDecoder>

#include <cmath>
#include <vector>

namespace relvane {

namespace {

using namespace dbc;

struct Pending {
    Tokens tokens;
    QStringView keyword;
};

class Parser {
public:
    Parser(QString text, DbcReadResult& result) : lex_(std::move(text)), r_(result) {}

    void Run()
    {
        while (lex_.Peek().kind != Token::End) {
            const Token t = lex_.Next();
            if (t.kind != Token::Word || !t.lineStart) {
                Problem(t.line, QStringLiteral("unexpected \"%1\"").arg(t.text.left(40)));
                SkipLine(t.line);
                continue;
            }
            if (t.text != QLatin1String("SG_"))
                current_ = -1;
            Statement(t);
        }
        Finish();
    }

private:
    void Problem(int line, const QString& text)
    {
        ++r_.problemCount;
        if (r_.problems.size() < kDbcMaxProblems)
            r_.problems.append({line, text});
    }

    void SkipLine(int line)
    {
        while (lex_.Peek().kind != Token::End && lex_.Peek().line == line)
            lex_.Next();
    }
    // The tokens after the keyword up to the end of its line (the line a quoted text ends on).
    Tokens RestOfLine(int line)
    {
        Tokens out;
        while (lex_.Peek().kind != Token::End && lex_.Peek().line == line && !lex_.Peek().lineStart) {
            out.push_back(lex_.Next());
            line = out.back().endLine;
        }
        return out;
    }
    // The tokens up to the closing ';' (not included). A statement without one ends before the
    // next keyword at the start of a line; *closed tells which.
    Tokens UntilSemicolon(bool* closed)
    {
        Tokens out;
        *closed = false;
        while (true) {
            const Token& p = lex_.Peek();
            if (p.kind == Token::End)
                break;
            if (p.lineStart && p.kind == Token::Word && IsKeyword(p.text))
                break;
            Token t = lex_.Next();
            if (t.Is(';')) {
                *closed = true;
                break;
            }
            out.push_back(std::move(t));
        }
        return out;
    }

    // A quoted text that is never closed runs to the end of the file; nothing in it is used.
    bool Unterminated(const Tokens& tokens)
    {
        for (const Token& t : tokens)
            if (t.unterminated) {
                Problem(t.line, QStringLiteral("a quoted text opened here is never closed"));
                return true;
            }
        return false;
    }

    void Statement(const Token& keyword)
    {
        const QStringView k = keyword.text;
        if (k == QLatin1String("VERSION")) {
            const Tokens rest = RestOfLine(keyword.line);
            if (rest.size() == 1 && rest[0].kind == Token::String)
                r_.database.version = rest[0].Owned();
            else
                Problem(keyword.line, QStringLiteral("VERSION needs one quoted text"));
        } else if (k == QLatin1String("NS_")) {
            RestOfLine(keyword.line);
            // The list of keywords the file may use, one a line.
            while (lex_.Peek().kind == Token::Word && lex_.Peek().lineStart) {
                const Token w = lex_.Peek();
                Lexer probe = lex_;
                probe.Next();
                if (probe.Peek().kind != Token::End && probe.Peek().line == w.line)
                    break;
                lex_.Next();
            }
        } else if (k == QLatin1String("BS_")) {
            RestOfLine(keyword.line);
        } else if (k == QLatin1String("BU_")) {
            const Tokens rest = RestOfLine(keyword.line);
            for (std::size_t i = 0; i < rest.size(); ++i)
                if (rest[i].kind == Token::Word && !r_.database.nodes.contains(rest[i].text))
                    r_.database.nodes.append(rest[i].Owned());
        } else if (k == QLatin1String("BO_")) {
            const Tokens rest = RestOfLine(keyword.line);
            if (!Unterminated(rest))
                Message(keyword, rest);
            else
                skipSignals_ = true;
        } else if (k == QLatin1String("SG_")) {
            const Tokens rest = RestOfLine(keyword.line);
            if (!Unterminated(rest))
                Signal(keyword, rest);
        } else if (IsKeyword(k)) {
            bool closed = false;
            Tokens tokens = UntilSemicolon(&closed);
            if (Unterminated(tokens))
                return;
            if (!closed) {
                Problem(keyword.line, QStringLiteral("%1 statement without its closing ';'").arg(k));
                if (tokens.empty())
                    return;
            }
            if (k == QLatin1String("CM_") || k == QLatin1String("BA_DEF_") || k == QLatin1String("BA_DEF_DEF_")
                || k == QLatin1String("BA_") || k == QLatin1String("VAL_") || k == QLatin1String("SIG_VALTYPE_"))
                pending_.push_back({std::move(tokens), k});
        } else {
            Problem(keyword.line, QStringLiteral("unknown section \"%1\"").arg(k.left(40)));
            bool closed = false;
            UntilSemicolon(&closed);
        }
    }

    void Message(const Token& keyword, const Tokens& t)
    {
        current_ = -1;
        skipSignals_ = true;
        const int line = keyword.line;
        std::optional<qint64> raw = t.size() > 0 ? Integer(t[0], 0, 0xFFFFFFFFLL) : std::nullopt;
        if (!raw || t.size() < 4 || t[1].kind != Token::Word || !t[2].Is(':')) {
            Problem(line, QStringLiteral("message line is not \"BO_ <identifier> <name>: <size> <sender>\""));
            return;
        }
        DbcMessage m;
        m.line = line;
        m.name = t[1].Owned();
        m.extended = (quint64(*raw) & 0x80000000u) != 0 || *raw > kCanStandardIdMax;
        m.id = quint32(*raw) & 0x7FFFFFFFu;
        if (m.id > 0x1FFFFFFFu) {
            // Tools keep signals of no message in a pseudo message beyond the identifiers.
            if (m.name != QLatin1String("VECTOR__INDEPENDENT_SIG_MSG"))
                Problem(line, QStringLiteral("identifier %1 of message %2 is beyond 29 bits").arg(*raw).arg(m.name));
            return;
        }
        const std::optional<qint64> size = Integer(t[3], 0, 64);
        if (!size) {
            Problem(line, QStringLiteral("message %1: size \"%2\" is not 0 to 64 bytes").arg(m.name, t[3].text));
            return;
        }
        m.size = int(*size);
        if (t.size() > 4 && t[4].kind == Token::Word)
            m.sender = t[4].Owned();
        if (t.size() > 5)
            Problem(line, QStringLiteral("message %1: unexpected \"%2\"").arg(m.name, t[5].text.left(40)));
        const quint32 key = m.id | (m.extended ? 0x80000000u : 0u);
        if (const auto before = seen_.constFind(key); before != seen_.cend()) {
            const DbcMessage& first = r_.database.messages.at(*before);
            Problem(line, QStringLiteral("identifier %1 of message %2 is used by message %3 (line %4) already; "
                                         "%2 is left out")
                              .arg(m.IdText(), m.name, first.name)
                              .arg(first.line));
            return;
        }
        r_.database.messages.append(m);
        current_ = r_.database.messages.size() - 1;
        seen_.insert(key, current_);
        skipSignals_ = false;
    }

    void Signal(const Token& keyword, const Tokens& t)
    {
        const int line = keyword.line;
        if (current_ < 0) {
            if (!skipSignals_)
                Problem(line, QStringLiteral("signal outside a message"));
            return;
        }
        DbcMessage& m = r_.database.messages[current_];
        DbcSignal s;
        s.line = line;
        std::size_t i = 0;
        auto bad = [&](const QString& what) {
            Problem(line, QStringLiteral("signal %1 of message %2: %3").arg(s.name, m.name, what));
        };
        if (t.empty() || t[0].kind != Token::Word) {
            Problem(line, QStringLiteral("signal line without a name"));
            return;
        }
        s.name = t[i++].Owned();
        if (i < t.size() && t[i].kind == Token::Word) {
            const QStringView mux = t[i++].text;
            if (mux == QLatin1String("M")) {
                s.mux = DbcMux::Multiplexor;
            } else if (mux.startsWith(QLatin1Char('m'))) {
                bool ok = false;
                const QStringView digits = mux.endsWith(QLatin1Char('M')) ? mux.mid(1).chopped(1) : mux.mid(1);
                s.muxValue = digits.toLongLong(&ok, 10);
                if (!ok || s.muxValue < 0)
                    return bad(QStringLiteral("bad multiplexer value \"%1\"").arg(mux));
                s.mux = DbcMux::Multiplexed;
            } else {
                return bad(QStringLiteral("unexpected \"%1\" before ':'").arg(mux.left(40)));
            }
        }
        auto expect = [&](char16_t c) { return i < t.size() && t[i].Is(c) ? (++i, true) : false; };
        if (!expect(':'))
            return bad(QStringLiteral("':' missing"));
        const std::optional<qint64> start = i < t.size() ? Integer(t[i++], 0, 511) : std::nullopt;
        if (!start || !expect('|'))
            return bad(QStringLiteral("start bit missing or not 0 to 511"));
        const std::optional<qint64> length = i < t.size() ? Integer(t[i++], 1, 64) : std::nullopt;
        if (!length || !expect('@'))
            return bad(QStringLiteral("length missing or not 1 to 64 bits"));
        const QStringView kind = i < t.size() && t[i].kind == Token::Word ? t[i++].text : QStringView();
        if (kind.size() != 2 || (kind.at(0) != QLatin1Char('0') && kind.at(0) != QLatin1Char('1'))
            || (kind.at(1) != QLatin1Char('+') && kind.at(1) != QLatin1Char('-')))
            return bad(QStringLiteral("byte order and sign \"@%1\" are not @0+, @0-, @1+ or @1-").arg(kind.left(10)));
        s.startBit = int(*start);
        s.length = int(*length);
        s.order = kind.at(0) == QLatin1Char('1') ? DbcByteOrder::Intel : DbcByteOrder::Motorola;
        s.isSigned = kind.at(1) == QLatin1Char('-');
        std::optional<double> factor, offset, minimum, maximum;
        if (expect('(') && i < t.size() && (factor = Real(t[i++])) && expect(',') && i < t.size()
            && (offset = Real(t[i++])) && expect(')') && expect('[') && i < t.size() && (minimum = Real(t[i++]))
            && expect('|') && i < t.size() && (maximum = Real(t[i++])) && expect(']')) {
            s.factor = *factor;
            s.offset = *offset;
            s.minimum = *minimum;
            s.maximum = *maximum;
        } else {
            return bad(QStringLiteral("factor, offset, minimum or maximum missing or no number"));
        }
        if (i >= t.size() || t[i].kind != Token::String)
            return bad(QStringLiteral("unit missing"));
        s.unit = t[i++].Owned();
        for (; i < t.size(); ++i) {
            if (t[i].kind == Token::Word)
                s.receivers.append(t[i].Owned());
            else if (!t[i].Is(','))
                return bad(QStringLiteral("unexpected \"%1\" among the receivers").arg(t[i].text.left(40)));
        }
        if (s.receivers.isEmpty())
            s.receivers.append(QLatin1String(kDbcNoNode));
        if (!DbcSignalFits(s, m.size))
            return bad(QStringLiteral("lies beyond the message's %1 bytes").arg(m.size));
        if (m.FindSignal(s.name))
            return bad(QStringLiteral("the message has a signal of this name already"));
        if (s.mux == DbcMux::Multiplexor && m.Multiplexor())
            return bad(QStringLiteral("the message has a multiplexor already"));
        m.signalList.append(s);
    }

    DbcMessage* MessageOf(const Token& t)
    {
        const std::optional<qint64> raw = Integer(t, 0, 0xFFFFFFFFLL);
        if (!raw)
            return nullptr;
        const bool extended = (quint64(*raw) & 0x80000000u) != 0 || *raw > kCanStandardIdMax;
        const DbcMessage* m = r_.database.Find(quint32(*raw) & 0x7FFFFFFFu, extended);
        return const_cast<DbcMessage*>(m);
    }
    DbcSignal* SignalOf(const Token& id, const Token& name)
    {
        DbcMessage* m = MessageOf(id);
        if (!m || name.kind != Token::Word)
            return nullptr;
        return const_cast<DbcSignal*>(m->FindSignal(name.Owned()));
    }

    // Comments, attributes, value tables and value types, once every message is known.
    void Finish()
    {
        r_.database.Reindex();
        for (const Pending& p : pending_) {
            const Tokens& t = p.tokens;
            const int line = t.empty() ? 0 : t.front().line;
            if (p.keyword == QLatin1String("CM_"))
                Comment(t, line);
            else if (p.keyword == QLatin1String("BA_DEF_"))
                AttributeDefinition(t, line);
            else if (p.keyword == QLatin1String("BA_DEF_DEF_"))
                AttributeDefault(t, line);
            else if (p.keyword == QLatin1String("BA_"))
                Attribute(t, line);
            else if (p.keyword == QLatin1String("VAL_"))
                ValueTable(t, line);
            else if (p.keyword == QLatin1String("SIG_VALTYPE_"))
                ValueType(t, line);
        }
        // A multiplexed signal without a multiplexor cannot be told present or absent.
        for (DbcMessage& m : r_.database.messages) {
            if (m.Multiplexor())
                continue;
            m.signalList.removeIf([&](const DbcSignal& s) {
                if (s.mux == DbcMux::Multiplexed)
                    Problem(s.line, QStringLiteral("signal %1 is multiplexed but message %2 has no multiplexor")
                                        .arg(s.name, m.name));
                return s.mux == DbcMux::Multiplexed;
            });
        }
    }

    void Comment(const Tokens& t, int line)
    {
        if (t.size() == 1 && t[0].kind == Token::String) {
            r_.database.comment = t[0].Owned();
            return;
        }
        if (t.size() == 3 && t[0].IsWord("BU_") && t[2].kind == Token::String) {
            r_.database.nodeComments.insert(t[1].Owned(), t[2].Owned());
        } else if (t.size() == 3 && t[0].IsWord("BO_") && t[2].kind == Token::String) {
            if (DbcMessage* m = MessageOf(t[1]))
                m->comment = t[2].Owned();
            else
                Problem(line, QStringLiteral("comment for an unknown message %1").arg(t[1].text.left(20)));
        } else if (t.size() == 4 && t[0].IsWord("SG_") && t[3].kind == Token::String) {
            if (DbcSignal* s = SignalOf(t[1], t[2]))
                s->comment = t[3].Owned();
            else
                Problem(line, QStringLiteral("comment for an unknown signal %1").arg(t[2].text.left(40)));
        } else if (t.size() == 3 && t[0].IsWord("EV_")) {
            // Environment variables are not kept.
        } else {
            Problem(line, QStringLiteral("comment is not CM_ [BU_|BO_|SG_|EV_ ...] \"text\";"));
        }
    }

    static bool IsObject(const Token& t)
    {
        return t.IsWord("BU_") || t.IsWord("BO_") || t.IsWord("SG_") || t.IsWord("EV_");
    }

    void AttributeDefinition(const Tokens& t, int line)
    {
        std::size_t i = 0;
        DbcAttributeDefinition d;
        if (i < t.size() && IsObject(t[i]))
            d.object = t[i++].Owned();
        if (i >= t.size() || t[i].kind != Token::String || i + 1 >= t.size()) {
            Problem(line, QStringLiteral("attribute definition without a quoted name and a type"));
            return;
        }
        d.name = t[i++].Owned();
        d.type = Render(t, i, t.size());
        r_.database.attributeDefinitions.append(d);
    }

    DbcAttributeDefinition* Definition(QStringView name)
    {
        for (DbcAttributeDefinition& d : r_.database.attributeDefinitions)
            if (d.name == name)
                return &d;
        return nullptr;
    }

    void AttributeDefault(const Tokens& t, int line)
    {
        if (t.size() != 2 || t[0].kind != Token::String) {
            Problem(line, QStringLiteral("attribute default is not BA_DEF_DEF_ \"name\" value;"));
            return;
        }
        if (DbcAttributeDefinition* d = Definition(t[0].text))
            d->defaultValue = Render(t, 1, 2);
        else
            Problem(line, QStringLiteral("default of an undefined attribute \"%1\"").arg(t[0].text.left(40)));
    }

    void Attribute(const Tokens& t, int line)
    {
        if (t.size() < 2 || t[0].kind != Token::String) {
            Problem(line, QStringLiteral("attribute is not BA_ \"name\" [object] value;"));
            return;
        }
        DbcAttributeValue a;
        a.name = t[0].Owned();
        std::size_t i = 1;
        if (IsObject(t[i])) {
            a.object = t[i++].Owned();
            const std::size_t targets = a.object == QLatin1String("SG_") ? 2 : 1;
            a.target = Render(t, i, i + targets);
            i += targets;
        }
        if (t.size() != i + 1) {
            Problem(line, QStringLiteral("attribute \"%1\" is not followed by one value").arg(a.name.left(40)));
            return;
        }
        a.value = Render(t, i, t.size());
        if (a.name == QLatin1String(kDbcCycleTime) && a.object == QLatin1String("BO_")) {
            DbcMessage* m = MessageOf(t[2]);
            const std::optional<qint64> ms = Integer(t[3], 0, 0x7FFFFFFF);
            if (m && ms)
                m->cycleTimeMs = int(*ms);
            else
                Problem(line, QStringLiteral("cycle time \"%1\" of message %2 not used").arg(t[3].text.left(20), t[2].text.left(20)));
            return;
        }
        r_.database.attributes.append(a);
    }

    void ValueTable(const Tokens& t, int line)
    {
        if (t.empty() || !Integer(t[0], 0, 0xFFFFFFFFLL))
            return;  // the values of an environment variable
        DbcSignal* s = t.size() >= 2 ? SignalOf(t[0], t[1]) : nullptr;
        if (!s) {
            Problem(line, QStringLiteral("value table for an unknown signal %1").arg(t.size() >= 2 ? t[1].text.left(40) : QString()));
            return;
        }
        QList<DbcValueDescription> values;
        for (std::size_t i = 2; i < t.size(); i += 2) {
            if (i + 1 >= t.size() || t[i + 1].kind != Token::String) {
                Problem(line, QStringLiteral("value table of %1: \"%2\" is not a number and a quoted text").arg(s->name, t[i].text.left(20)));
                break;
            }
            std::optional<qint64> v = Integer(t[i], std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max());
            if (!v) {
                const std::optional<double> d = Real(t[i]);
                if (d && *d == std::trunc(*d) && std::fabs(*d) < 9.0e18)
                    v = qint64(*d);
            }
            if (!v) {
                Problem(line, QStringLiteral("value table of %1: \"%2\" is no whole number").arg(s->name, t[i].text.left(20)));
                return;
            }
            values.append({*v, t[i + 1].Owned()});
        }
        s->values = values;
    }

    void ValueType(const Tokens& t, int line)
    {
        // SIG_VALTYPE_ <id> <signal> : <0|1|2>
        const std::size_t typeAt = t.size() == 4 && t[2].Is(':') ? 3 : 2;
        DbcSignal* s = t.size() >= 3 ? SignalOf(t[0], t[1]) : nullptr;
        const std::optional<qint64> type = typeAt < t.size() ? Integer(t[typeAt], 0, 2) : std::nullopt;
        if (!s || !type) {
            Problem(line, QStringLiteral("value type for an unknown signal or not 0, 1 or 2"));
            return;
        }
        if ((*type == 1 && s->length != 32) || (*type == 2 && s->length != 64)) {
            Problem(line, QStringLiteral("signal %1 is %2 bits long, not a %3 float").arg(s->name).arg(s->length).arg(*type == 1 ? 32 : 64));
            return;
        }
        s->valueType = *type == 1 ? DbcValueType::Float32 : *type == 2 ? DbcValueType::Float64 : DbcValueType::Integer;
    }

    Lexer lex_;
    DbcReadResult& r_;
    qsizetype current_ = -1;
    bool skipSignals_ = false;
    std::vector<Pending> pending_;
    QHash<quint32, qsizetype> seen_;  // identifier (bit 31: extended) -> message
};

QString Decode(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return Cp1252ToString(bytes);
}

}  // namespace

DbcReadResult ReadDbc(const QByteArray& bytes)
{
    DbcReadResult result;
    Parser(Decode(bytes), result).Run();
    if (result.database.messages.isEmpty() && !result.problems.isEmpty())
        result.error = DbcProblemText(result.problems.first());
    return result;
}

DbcReadResult ReadDbcFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        DbcReadResult result;
        result.error = QStringLiteral("Unable to read %1").arg(path);
        return result;
    }
    return ReadDbc(file.readAll());
}

}  // namespace relvane

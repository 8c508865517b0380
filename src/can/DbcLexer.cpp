#include "can/DbcLexer.h"

namespace relvane::dbc {

namespace {

bool IsPunct(char16_t c)
{
    switch (c) {
    case ':': case ';': case ',': case '|': case '@': case '(': case ')': case '[': case ']': return true;
    default: return false;
    }
}

bool IsBlank(char16_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

}  // namespace

Token Lexer::Scan()
{
    const qsizetype n = size_;
    while (pos_ < n) {
        const char16_t c = data_[pos_];
        if (c == '\n') {
            ++line_;
            tokenOnLine_ = false;
            ++pos_;
        } else if (IsBlank(c)) {
            ++pos_;
        } else if (c == '/' && pos_ + 1 < n && data_[pos_ + 1] == '/') {
            // A "//" comment line, as some tools leave them.
            while (pos_ < n && data_[pos_] != '\n')
                ++pos_;
        } else {
            break;
        }
    }
    Token t;
    t.line = line_;
    t.lineStart = !tokenOnLine_;
    if (pos_ >= n)
        return t;
    tokenOnLine_ = true;
    const char16_t c = data_[pos_];
    const qsizetype start = pos_;
    if (c == '"') {
        t.kind = Token::String;
        ++pos_;
        bool rewrite = false;
        while (pos_ < n && data_[pos_] != '"') {
            const char16_t d = data_[pos_++];
            if (d == '\\' && pos_ < n && (data_[pos_] == '"' || data_[pos_] == '\\')) {
                rewrite = true;
                ++pos_;
            } else if (d == '\r' && pos_ < n && data_[pos_] == '\n') {
                rewrite = true;
            } else if (d == '\n') {
                ++line_;
            }
        }
        t.unterminated = pos_ >= n;
        const QStringView inside = QStringView(text_).mid(start + 1, pos_ - start - 1);
        if (!t.unterminated)
            ++pos_;  // the closing quote
        t.endLine = line_;
        if (!rewrite) {
            t.text = inside;
            return t;
        }
        t.owned.reserve(inside.size());
        for (qsizetype i = 0; i < inside.size(); ++i) {
            QChar d = inside.at(i);
            if (d == QLatin1Char('\\') && i + 1 < inside.size() && (inside.at(i + 1) == QLatin1Char('"') || inside.at(i + 1) == QLatin1Char('\\')))
                d = inside.at(++i);
            else if (d == QLatin1Char('\r') && i + 1 < inside.size() && inside.at(i + 1) == QLatin1Char('\n'))
                continue;  // a CR LF line end within the text reads as the LF it stands for
            t.owned += d;
        }
        t.text = t.owned;
        return t;
    }
    if (IsPunct(c)) {
        t.kind = Token::Punct;
        ++pos_;
    } else {
        t.kind = Token::Word;
        while (pos_ < n) {
            const char16_t d = data_[pos_];
            if (d == '\n' || IsBlank(d) || IsPunct(d) || d == '"')
                break;
            ++pos_;
        }
    }
    t.text = QStringView(text_).mid(start, pos_ - start);
    t.endLine = t.line;
    return t;
}

bool IsKeyword(QStringView word)
{
    static const char* const keywords[] = {
        "VERSION", "NS_", "NS_DESC_", "BS_", "BU_", "BO_", "SG_", "CM_", "BA_DEF_", "BA_DEF_DEF_", "BA_", "VAL_",
        "VAL_TABLE_", "BO_TX_BU_", "EV_", "EV_DATA_", "ENVVAR_DATA_", "SGTYPE_", "SGTYPE_VAL_", "SIG_GROUP_",
        "SIG_VALTYPE_", "SIGTYPE_VALTYPE_", "BA_DEF_REL_", "BA_REL_", "BA_DEF_DEF_REL_", "BA_DEF_SGTYPE_",
        "BA_SGTYPE_", "SIG_TYPE_REF_", "CAT_DEF_", "CAT_", "FILTER", "BU_SG_REL_", "BU_EV_REL_", "BU_BO_REL_",
        "SG_MUL_VAL_"};
    for (const char* k : keywords)
        if (word == QLatin1String(k))
            return true;
    return false;
}

QString Quoted(QStringView text)
{
    QString out = text.toString();
    out.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + out + QLatin1Char('"');
}

QString Render(const Tokens& tokens, std::size_t from, std::size_t to)
{
    QString out;
    for (std::size_t i = from; i < to && i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        if (!out.isEmpty() && !t.Is(','))
            out += QLatin1Char(' ');
        out += t.kind == Token::String ? Quoted(t.text) : t.text;
    }
    return out;
}

std::optional<qint64> Integer(const Token& t, qint64 lowest, qint64 highest)
{
    if (t.kind != Token::Word)
        return std::nullopt;
    bool ok = false;
    const qint64 v = t.text.toLongLong(&ok, 10);
    if (!ok || v < lowest || v > highest)
        return std::nullopt;
    return v;
}

std::optional<double> Real(const Token& t)
{
    if (t.kind != Token::Word)
        return std::nullopt;
    bool ok = false;
    const double v = t.text.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

}  // namespace relvane::dbc

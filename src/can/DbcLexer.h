#pragma once
// The words of DBC text, internal to the reader: words, quoted texts (over several lines, with
// \" escapes) and punctuation, each with the line it starts on and whether it starts its line.
// Tokens are views of the text; a quoted text whose escapes or CR LF line ends had to be
// rewritten is owned by its token.

#include <QString>
#include <QStringView>

#include <optional>
#include <vector>

namespace relvane::dbc {

struct Token {
    enum Kind { End, Word, String, Punct };
    Kind kind = End;
    // The token's text: a view into the file's text, or into `owned` for a quoted text whose
    // escapes or line ends had to be rewritten. Copies keep `owned` (and with it the view) alive.
    QStringView text;
    QString owned;
    int line = 0;
    int endLine = 0;         // a quoted text may run over several lines
    bool lineStart = false;  // the first token of its line
    bool unterminated = false;  // a string that ran to the end of the file

    bool Is(char16_t punct) const { return kind == Punct && text.size() == 1 && text.at(0) == QChar(punct); }
    bool IsWord(const char* word) const { return kind == Word && text == QLatin1String(word); }
    QString Owned() const { return text.toString(); }
};

class Lexer {
public:
    explicit Lexer(QString text)
        : text_(std::move(text)), data_(reinterpret_cast<const char16_t*>(text_.utf16())), size_(text_.size())
    {
    }

    const Token& Peek()
    {
        if (!peeked_)
            peeked_ = Scan();
        return *peeked_;
    }
    Token Next()
    {
        Peek();
        Token t = std::move(*peeked_);
        peeked_.reset();
        return t;
    }

private:
    Token Scan();

    QString text_;
    const char16_t* data_;
    qsizetype size_;
    qsizetype pos_ = 0;
    int line_ = 1;
    bool tokenOnLine_ = false;
    std::optional<Token> peeked_;
};

bool IsKeyword(QStringView word);

using Tokens = std::vector<Token>;

// A quoted text as the file writes it, with its escapes.
QString Quoted(QStringView text);
// Tokens as text again, for attribute types and values kept as written.
QString Render(const Tokens& tokens, std::size_t from, std::size_t to);
// A word as a decimal whole number within the bounds, or a finite real number.
std::optional<qint64> Integer(const Token& t, qint64 lowest, qint64 highest);
std::optional<double> Real(const Token& t);

}  // namespace relvane::dbc

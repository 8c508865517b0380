#pragma once
// Where the command line writes: results on standard output, messages and progress on standard
// error. Progress rewrites one line while standard error is a terminal and prints plain lines
// otherwise, so logs of scripted runs stay readable.

#include <QString>
#include <QStringList>

#include <cstdio>

namespace relvane::cli {

class Console {
public:
    virtual ~Console() = default;
    // One line of results; written through at once.
    virtual void Out(const QString& line) = 0;
    // Raw text on standard output (a screen refresh of status --watch).
    virtual void OutRaw(const QString& text) = 0;
    // One message line.
    virtual void Err(const QString& line) = 0;
    // Text on standard error without a line end (terminal progress).
    virtual void ErrRaw(const QString& text) = 0;
    virtual bool OutIsTerminal() const = 0;
    virtual bool ErrIsTerminal() const = 0;
};

// The process's standard output and standard error.
class StdConsole : public Console {
public:
    StdConsole();
    void Out(const QString& line) override;
    void OutRaw(const QString& text) override;
    void Err(const QString& line) override;
    void ErrRaw(const QString& text) override;
    bool OutIsTerminal() const override { return outTerminal_; }
    bool ErrIsTerminal() const override { return errTerminal_; }

private:
    bool outTerminal_;
    bool errTerminal_;
};

// Collects everything, for tests.
class BufferConsole : public Console {
public:
    void Out(const QString& line) override { out << line; }
    void OutRaw(const QString& text) override { raw += text; }
    void Err(const QString& line) override { err << line; }
    void ErrRaw(const QString& text) override { errRaw += text; }
    bool OutIsTerminal() const override { return outTerminal; }
    bool ErrIsTerminal() const override { return errTerminal; }

    QStringList out;
    QStringList err;
    QString raw;
    QString errRaw;
    bool outTerminal = false;
    bool errTerminal = false;
};

// Progress of one long piece of work: "Reading: 40/113 blocks, 35%".
class Progress {
public:
    // unit names what is counted ("blocks", "bytes").
    Progress(Console& console, QString what, QString unit);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void Update(long long done, long long total);
    // Ends the terminal line; called by the destructor too.
    void Finish();

    // The text of one update, for tests: "Reading: 40/113 blocks, 35%".
    static QString Text(const QString& what, long long done, long long total, const QString& unit);

private:
    Console& console_;
    QString what_;
    QString unit_;
    int lastStep_ = -1;  // plain mode: last tenth printed
    bool open_ = false;  // terminal mode: a line is being rewritten
};

}  // namespace relvane::cli

#pragma once
// Dialogs for tests: answers are scripted in advance and every call is recorded with its
// texts, so a test can check which box appeared and what it said.
//
//   ScriptedDialogs dialogs;
//   dialogs.QueueAnswer(MessageAnswer::No);            // next message box answers No
//   dialogs.QueueFile(QStringLiteral("/tmp/a.cfg"));   // next file dialog picks this file
//   ... run the code under test ...
//   QCOMPARE(dialogs.LastText(), QStringLiteral("File already exists: ..."));
//
// A call with nothing scripted gets the answer of a box closed without a button (No for
// Yes/No, Cancel for OK/Cancel, Ok for a lone OK; a cancelled file dialog) and is counted
// in Unscripted(), so a test can insist that every question was expected.

#include "config/Dialogs.h"

#include <QHash>
#include <QList>
#include <QQueue>
#include <QString>

#include <functional>
#include <optional>

namespace relvane {

struct DialogCall {
    enum class Kind { Message, OpenFile, SaveFile, Choose };
    Kind kind = Kind::Message;
    MessageKind messageKind = MessageKind::Plain;
    MessageButtons buttons = MessageButtons::Ok;
    QString title;
    QString text;               // the message text; empty for file dialogs
    FileDialogOptions options;  // file dialogs only
    MessageAnswer answer = MessageAnswer::Ok;
    std::optional<QString> file;  // what a file dialog returned
    QStringList choices;          // Choose: the buttons offered
    int choice = -1;              // Choose: the index answered (-1: closed)
};

class ScriptedDialogs final : public Dialogs {
public:
    // Answers for the next message boxes, in order.
    void QueueAnswer(MessageAnswer answer) { answers_.enqueue(answer); }
    // An answer for every box with exactly this text (checked before the queue).
    void AnswerText(const QString& text, MessageAnswer answer) { byText_.insert(text, answer); }
    // Results of the next file dialogs, in order; std::nullopt is a cancel.
    void QueueFile(std::optional<QString> path) { files_.enqueue(std::move(path)); }
    // The button (by its text) the next Choose boxes answer, in order; checked after ChooseText.
    void QueueChoice(const QString& button) { choiceQueue_.enqueue(button); }
    // The button every Choose box with exactly this text answers.
    void ChooseText(const QString& text, const QString& button) { choiceByText_.insert(text, button); }
    // Runs on every call after it is recorded (e.g. to check state while the box is "open").
    void SetOnCall(std::function<void(const DialogCall&)> hook) { onCall_ = std::move(hook); }

    const QList<DialogCall>& Calls() const { return calls_; }
    int Count() const { return int(calls_.size()); }
    int Unscripted() const { return unscripted_; }
    int PendingAnswers() const { return int(answers_.size() + files_.size() + choiceQueue_.size()); }
    // Texts of the message boxes, in order.
    QStringList Texts() const
    {
        QStringList texts;
        for (const DialogCall& c : calls_)
            if (c.kind == DialogCall::Kind::Message || c.kind == DialogCall::Kind::Choose)
                texts.append(c.text);
        return texts;
    }
    QString LastText() const
    {
        const QStringList t = Texts();
        return t.isEmpty() ? QString() : t.last();
    }
    void Clear()
    {
        calls_.clear();
        answers_.clear();
        files_.clear();
        byText_.clear();
        choiceQueue_.clear();
        choiceByText_.clear();
        unscripted_ = 0;
    }

    MessageAnswer Message(MessageKind kind, const QString& text, MessageButtons buttons,
                          const QString& title) override
    {
        DialogCall call = Box(DialogCall::Kind::Message, kind, text, title);
        call.buttons = buttons;
        const std::optional<MessageAnswer> scripted = Scripted(byText_, answers_, text);
        call.answer = scripted.value_or(buttons == MessageButtons::YesNo      ? MessageAnswer::No
                                        : buttons == MessageButtons::OkCancel ? MessageAnswer::Cancel
                                                                              : MessageAnswer::Ok);
        Record(call, scripted.has_value());
        return call.answer;
    }

    int Choose(MessageKind kind, const QString& text, const QStringList& buttons, const QString& title) override
    {
        DialogCall call = Box(DialogCall::Kind::Choose, kind, text, title);
        call.choices = buttons;
        const QString answer = Scripted(choiceByText_, choiceQueue_, text).value_or(QString());
        call.choice = answer.isEmpty() ? -1 : int(buttons.indexOf(answer));
        Record(call, !answer.isEmpty());
        return call.choice;
    }

    std::optional<QString> OpenFile(const FileDialogOptions& options) override
    {
        return File(DialogCall::Kind::OpenFile, options);
    }
    std::optional<QString> SaveFile(const FileDialogOptions& options) override
    {
        return File(DialogCall::Kind::SaveFile, options);
    }

private:
    static DialogCall Box(DialogCall::Kind kind, MessageKind messageKind, const QString& text, const QString& title)
    {
        DialogCall call;
        call.kind = kind;
        call.messageKind = messageKind;
        call.title = title;
        call.text = text;
        return call;
    }

    // The answer scripted for a box with this text: the one set for the text, else the next queued.
    template <typename Answer>
    static std::optional<Answer> Scripted(const QHash<QString, Answer>& byText, QQueue<Answer>& queue, const QString& text)
    {
        if (auto it = byText.constFind(text); it != byText.cend())
            return *it;
        if (!queue.isEmpty())
            return queue.dequeue();
        return std::nullopt;
    }

    std::optional<QString> File(DialogCall::Kind kind, const FileDialogOptions& options)
    {
        DialogCall call;
        call.kind = kind;
        call.title = options.title;
        call.options = options;
        const bool scripted = !files_.isEmpty();
        if (scripted)
            call.file = files_.dequeue();
        Record(call, scripted);
        return call.file;
    }

    // Every call ends here: counted when nothing was scripted for it, kept, then shown to the hook.
    void Record(const DialogCall& call, bool scripted)
    {
        if (!scripted)
            ++unscripted_;
        calls_.append(call);
        if (onCall_)
            onCall_(calls_.last());
    }

    QList<DialogCall> calls_;
    QQueue<MessageAnswer> answers_;
    QQueue<std::optional<QString>> files_;
    QHash<QString, MessageAnswer> byText_;
    QQueue<QString> choiceQueue_;
    QHash<QString, QString> choiceByText_;
    std::function<void(const DialogCall&)> onCall_;
    int unscripted_ = 0;
};

} // namespace relvane

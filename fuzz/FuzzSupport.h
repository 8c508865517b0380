#pragma once
// Shared pieces of the fuzz entry points: the checks that turn a wrong result
// into a crash the fuzzer (or the corpus replay) reports, the application
// object Qt needs for timers, and quiet stand-ins for the main window's side.

#include "config/Dialogs.h"
#include "link/FrameCodec.h"

#include <QCoreApplication>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <cstddef>
#include <optional>

// Every entry point has this signature; libFuzzer or the replay driver calls it.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

// An invariant of the code under test: a failure aborts, so the fuzzer keeps
// the input and the replay test fails.
#define FUZZ_CHECK(cond)                                                              \
    do {                                                                              \
        if (!(cond)) {                                                                \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                             \
        }                                                                             \
    } while (false)

namespace relvane::fuzzing {

// Qt timers and QObjects want an application object; the replay test has one,
// a libFuzzer binary makes its own. Under libFuzzer the tool's warnings are
// dropped, they would only slow the run down.
inline void EnsureApplication() {
    if (QCoreApplication::instance() != nullptr) return;
    static int argc = 1;
    static char name[] = "relvane-fuzz";
    static char* argv[] = {name, nullptr};
#ifdef RELVANE_LIBFUZZER
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtFatalMsg) {
            std::fprintf(stderr, "qFatal: %s\n", qPrintable(text));
            std::abort();
        }
    });
#endif
    static QCoreApplication app(argc, argv);
}

// Message boxes and file dialogs answered as if closed without a button.
class SilentDialogs final : public Dialogs {
public:
    int messages = 0;
    MessageAnswer Message(MessageKind, const QString&, MessageButtons buttons, const QString&) override {
        ++messages;
        switch (buttons) {
        case MessageButtons::YesNo: return MessageAnswer::No;
        case MessageButtons::OkCancel: return MessageAnswer::Cancel;
        case MessageButtons::Ok: break;
        }
        return MessageAnswer::Ok;
    }
    std::optional<QString> OpenFile(const FileDialogOptions&) override { return std::nullopt; }
    std::optional<QString> SaveFile(const FileDialogOptions&) override { return std::nullopt; }
};

// The transmit queue of the fuzzed program: every entry must be one SLIP frame
// whose checksum holds, whatever the module sent before.
class CheckingTxSink final : public TxSink, public FrameSink {
public:
    CheckingTxSink() : receiver_(this) {}
    int entries = 0;
    int frames = 0;

    bool AddToTxQueue(const std::uint8_t* bytes, int count) override {
        FUZZ_CHECK(count >= 2 && count <= ENCODED_FRAME_MAX);
        FUZZ_CHECK(bytes[0] == SLIP_END && bytes[count - 1] == SLIP_END);
        ++entries;
        const int before = frames;
        receiver_.Feed(bytes, count);
        FUZZ_CHECK(frames == before + 1);
        return true;
    }
    void DispatchFrame(const std::uint8_t* frame, int count) override {
        FUZZ_CHECK(FrameChecksumValid(frame, count));
        ++frames;
    }

private:
    SlipReceiver receiver_;
};

}  // namespace relvane::fuzzing

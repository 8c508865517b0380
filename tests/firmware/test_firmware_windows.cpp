#include "FirmwareTestSupport.h"

#include "firmware/ui/FIAForm.h"
#include "firmware/ui/FirmwareForm.h"
#include "firmware/ui/FirmwareWindows.h"
#include "support/ScriptedDialogs.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace relvane;
using namespace relvane::test;

namespace {

// The main window as the firmware windows see it. Memory reads (0x5E) are answered
// from `memory` when the test pumps.
struct FakeHost : FirmwareHost, TxSink {
    ScriptedDialogs dialogs;
    QStringList calls;  // the order of the main-window operations
    QList<QByteArray> sent;
    QList<QByteArray> answers;
    QByteArray memory = QByteArray(0x10000, char(0xFF));
    QMap<QString, QString> settings;
    QStringList errors;
    bool open = true;
    int rxMode = 0;
    RawByteHandler* raw = nullptr;
    ToolFrameListener* compare = nullptr;
    QByteArray version = "9.08";

    TxSink& TxQueue() override { return *this; }
    bool AddToTxQueue(const std::uint8_t* bytes, int count) override {
        const QByteArray wire(reinterpret_cast<const char*>(bytes), count);
        sent.append(wire);
        const QByteArray e = Unslip(wire);
        if (wire.startsWith(char(SLIP_END)) && e.size() == 6 && std::uint8_t(e[3]) == 0x5E) {
            const int a = std::uint8_t(e[4]) | (std::uint8_t(e[5]) << 8);
            QByteArray r("\0\x16\x01\xDD", 4);
            r.append(e.mid(4, 2));
            r.append(memory.mid(a, 16));
            r[0] = char(FrameChecksum(reinterpret_cast<const std::uint8_t*>(r.constData()) + 1, 21));
            answers.append(r);
        }
        return true;
    }
    bool SetRxMode(int mode) override {
        calls.append(QStringLiteral("rx%1").arg(mode));
        rxMode = mode;
        return open;
    }
    void SetRawByteHandler(RawByteHandler* h) override { raw = h; }
    void SetFirmwareBusy(bool busy) override { calls.append(busy ? QStringLiteral("busy") : QStringLiteral("idle")); }
    void StopStatusPolling() override { calls.append(QStringLiteral("stop")); }
    void ResumeStatusPolling() override { calls.append(QStringLiteral("resume")); }
    void ResetLiveDisplay() override { calls.append(QStringLiteral("reset")); }
    void PauseMs(int ms) override { calls.append(QStringLiteral("pause%1").arg(ms)); }
    void RegisterFirmwareCompare(ToolFrameListener* l) override {
        calls.append(l ? QStringLiteral("register") : QStringLiteral("unregister"));
        compare = l;
    }
    QString ReadSetting(const QString& s, const QString& k) override { return settings.value(s + QLatin1Char('/') + k); }
    void WriteSetting(const QString& s, const QString& k, const QString& v) override {
        settings.insert(s + QLatin1Char('/') + k, v);
    }
    Dialogs& Boxes() override { return dialogs; }
    void ShowError(const std::exception& e) override { errors.append(QString::fromUtf8(e.what())); }
    QByteArray SoftwareVersionText() const override { return version; }

    void Pump() {
        while (!answers.isEmpty()) {
            const QByteArray f = answers.takeFirst();
            if (compare) compare->OnToolFrame(reinterpret_cast<const std::uint8_t*>(f.constData()), int(f.size()));
        }
    }
    void Feed(const QByteArray& bytes) {
        for (char c : bytes)
            if (raw) raw->OnRawByte(std::uint8_t(c));
    }
};

template <typename T>
T* Find(QWidget* w, const char* name) {
    T* child = w->findChild<T*>(QLatin1String(name));
    if (!child) qWarning("missing %s", name);
    return child;
}

// Closes the next modal window once the event loop runs it.
void CloseModalSoon(const std::function<void(QWidget*)>& before = {}) {
    QTimer::singleShot(0, [before] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w) return;
        if (before) before(w);
        w->close();
    });
}

QString LastText(const FakeHost& host) {
    const QStringList texts = host.dialogs.Texts();
    return texts.isEmpty() ? QString() : texts.last();
}

}  // namespace

class TestFirmwareWindows : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private Q_SLOTS:
    void firmwareLayout() {
        FakeHost host;
        TFirmware w(host);
        QCOMPARE(w.windowTitle(), QStringLiteral("Firmware"));
        QCOMPARE(Find<QGroupBox>(&w, "GroupBox1")->title(), QStringLiteral("File to download"));
        QCOMPARE(Find<QGroupBox>(&w, "GroupBox2")->title(), QStringLiteral("Progress"));
        QCOMPARE(Find<QPushButton>(&w, "BtnOpenFile")->text(), QStringLiteral("..."));
        QCOMPARE(Find<QPushButton>(&w, "BtnProgram")->text(), QStringLiteral("Program"));
        QCOMPARE(Find<QPushButton>(&w, "BtnExit")->text(), QStringLiteral("Exit"));
        QVERIFY(Find<QLineEdit>(&w, "FileEdit"));
        auto* bar = Find<QProgressBar>(&w, "ProgressBar1");
        QCOMPARE(bar->minimum(), 0);
        QCOMPARE(bar->maximum(), 100);
        QVERIFY(Find<QPlainTextEdit>(&w, "MemoDebug")->isHidden());
        QVERIFY(host.dialogs.Texts().isEmpty());
    }

    void firmwareNotConnected() {
        FakeHost host;
        host.open = false;
        host.settings.insert(QStringLiteral("FIRMWARE/PATH"), QStringLiteral("/x/fw.hex"));
        {
            TFirmware w(host);
            QCOMPARE(host.dialogs.Texts(), QStringList{QStringLiteral("! Not connected to target, please connect USB ")});
            QCOMPARE(host.rxMode, 1);
            QCOMPARE(host.raw, static_cast<RawByteHandler*>(&w));
            QCOMPARE(Find<QLineEdit>(&w, "FileEdit")->text(), QStringLiteral("/x/fw.hex"));
        }
        QCOMPARE(host.rxMode, 0);
        QVERIFY(!host.raw);
        QCOMPARE(host.settings.value(QStringLiteral("FIRMWARE/PATH")), QStringLiteral("/x/fw.hex"));
    }

    void firmwareOpenAndProgram() {
        FakeHost host;
        const QString path = WriteFile(dir_, QStringLiteral("p.hex"), HexText(0, 0x1FF) + EndRecord() + "\n");
        TFirmware w(host);
        host.dialogs.QueueFile(std::nullopt);  // cancel changes nothing
        QTest::mouseClick(Find<QPushButton>(&w, "BtnOpenFile"), Qt::LeftButton);
        QCOMPARE(w.RememberedPath(), QString());
        host.dialogs.QueueFile(path);
        QTest::mouseClick(Find<QPushButton>(&w, "BtnOpenFile"), Qt::LeftButton);
        const DialogCall& call = host.dialogs.Calls().last();
        QCOMPARE(call.options.filter, QStringLiteral("Hex files (*.hex)|*.HEX"));
        QCOMPARE(call.options.defaultExtension, QStringLiteral("hex"));
        QCOMPARE(call.options.initialFolder, QStringLiteral("Firmware"));
        QCOMPARE(Find<QLineEdit>(&w, "FileEdit")->text(), path);
        QCOMPARE(w.RememberedPath(), path);

        QTest::mouseClick(Find<QPushButton>(&w, "BtnProgram"), Qt::LeftButton);
        QCOMPARE(LastText(host), QStringLiteral("Reboot target to start programming"));
        host.Feed(">T!");
        QCOMPARE(host.sent.size(), 2);
        QCOMPARE(host.sent[0], QByteArray("<"));
        QCOMPARE(host.sent[1].size(), 259);
        host.Feed("!");
        QCOMPARE(Find<QProgressBar>(&w, "ProgressBar1")->value(), 256 / 5);
        host.Feed("!");
        QCOMPARE(host.sent.last(), QByteArray("\xFF\xFF", 2));
        // The box comes once the byte hand-off has returned.
        QVERIFY(LastText(host) != QStringLiteral("Target updated"));
        QTRY_COMPARE(LastText(host), QStringLiteral("Target updated"));
        QCOMPARE(Find<QProgressBar>(&w, "ProgressBar1")->value(), 0);
    }

    void firmwareProgramErrors() {
        FakeHost host;
        TFirmware w(host);
        QTest::mouseClick(Find<QPushButton>(&w, "BtnProgram"), Qt::LeftButton);
        QCOMPARE(host.dialogs.Texts(), QStringList{QStringLiteral("! No file selected")});
        Find<QLineEdit>(&w, "FileEdit")->setText(dir_.filePath(QStringLiteral("missing.hex")));
        QTest::mouseClick(Find<QPushButton>(&w, "BtnProgram"), Qt::LeftButton);
        QCOMPARE(host.errors, QStringList{QStringLiteral("Error opening HEX file for input!")});
        QCOMPARE(w.Update().state(), FirmwareUpdate::Idle);
    }

    void runFirmwareWindowOrder() {
        FakeHost host;
        CloseModalSoon([&host](QWidget*) { host.calls.append(QStringLiteral("shown")); });
        RunFirmwareWindow(host, nullptr);
        QCOMPARE(host.calls, (QStringList{QStringLiteral("stop"), QStringLiteral("pause10"), QStringLiteral("busy"),
                                          QStringLiteral("reset"), QStringLiteral("rx1"), QStringLiteral("shown"),
                                          QStringLiteral("rx0"), QStringLiteral("idle"), QStringLiteral("resume")}));
    }

    void fiaLayout() {
        FakeHost host;
        TFIA_Form w(host);
        QCOMPARE(w.windowTitle(), QStringLiteral("FIA firmware control"));
        QCOMPARE(Find<QGroupBox>(&w, "GroupBox1")->title(), QStringLiteral("Firmware file to compare"));
        QCOMPARE(Find<QGroupBox>(&w, "GroupBox2")->title(), QStringLiteral("Data from target"));
        QCOMPARE(Find<QGroupBox>(&w, "GroupBox3")->title(), QStringLiteral("Status"));
        QCOMPARE(Find<QLabel>(&w, "LabelProcent")->text(), QStringLiteral("0"));
        QCOMPARE(Find<QPushButton>(&w, "BtnCancel")->text(), QStringLiteral("Cancel"));
        QCOMPARE(Find<QPushButton>(&w, "BtnStart")->text(), QStringLiteral("Start"));
        QCOMPARE(Find<QPushButton>(&w, "BtnExit")->text(), QStringLiteral("Exit"));
        QCOMPARE(Find<QPushButton>(&w, "BtnOpenFile")->text(), QStringLiteral("..."));
        for (const char* memo : {"MemoFile", "MemoTarget", "MemoStatus"}) QVERIFY(Find<QPlainTextEdit>(&w, memo));
        QCOMPARE(Find<QProgressBar>(&w, "ProgressBar")->maximum(), 100);
        QTest::mouseClick(Find<QPushButton>(&w, "BtnStart"), Qt::LeftButton);
        QCOMPARE(host.dialogs.Texts(), QStringList{QStringLiteral(" No .hex file selectet")});
        QVERIFY(host.sent.isEmpty());
    }

    void fiaCompareIdentical() {
        FakeHost host;
        for (int a = 0; a <= 0x3FFF; ++a) host.memory[a] = char(Pattern(std::uint32_t(a)));
        const QString path = WriteFile(dir_, QStringLiteral("c.hex"), HexText(0, 0x3FFF) + EndRecord() + "\n");
        TFIA_Form w(host);
        host.compare = &w.Compare();
        host.dialogs.QueueFile(path);
        QTest::mouseClick(Find<QPushButton>(&w, "BtnOpenFile"), Qt::LeftButton);
        QCOMPARE(host.dialogs.Calls().last().options.filter, QStringLiteral("Hex files (*.hex)|*.HEX"));
        QCOMPARE(w.RememberedPath(), path);
        QTest::mouseClick(Find<QPushButton>(&w, "BtnStart"), Qt::LeftButton);
        QCOMPARE(host.sent.value(0), QByteArray::fromHex("c044040141c0"));
        host.Pump();
        QCOMPARE(LastText(host), QStringLiteral("FIA compare File is identical with firmware"));
        QCOMPARE(Find<QLabel>(&w, "LabelProcent")->text(), QStringLiteral("100 % done"));
        QCOMPARE(Find<QProgressBar>(&w, "ProgressBar")->value(), 100);
        const QStringList status = Find<QPlainTextEdit>(&w, "MemoStatus")->toPlainText().split(QLatin1Char('\n'));
        QCOMPARE(status.value(2), QStringLiteral("Comparing file : ") + path);
        QCOMPARE(status.value(3), QStringLiteral("With firmware version :9.08"));
        QCOMPARE(Find<QPlainTextEdit>(&w, "MemoTarget")->blockCount(), 4032);
        QCOMPARE(Find<QPlainTextEdit>(&w, "MemoFile")->toPlainText(),
                 Find<QPlainTextEdit>(&w, "MemoTarget")->toPlainText());
    }

    void fiaCancelAndRemembered() {
        FakeHost host;
        const QString path = WriteFile(dir_, QStringLiteral("r.hex"), HexText(0, 0xFF) + EndRecord() + "\n");
        host.settings.insert(QStringLiteral("FIA/PATH"), path);
        {
            TFIA_Form w(host);
            host.compare = &w.Compare();
            QCOMPARE(Find<QLineEdit>(&w, "FileEdit")->text(), path);
            QCOMPARE(w.Compare().image().GetByte(0x10), Pattern(0x10));  // read on opening
            QTest::mouseClick(Find<QPushButton>(&w, "BtnStart"), Qt::LeftButton);
            QTest::mouseClick(Find<QPushButton>(&w, "BtnCancel"), Qt::LeftButton);
            host.Pump();
            QVERIFY(Find<QPlainTextEdit>(&w, "MemoTarget")->toPlainText().isEmpty());
            QVERIFY(Find<QPlainTextEdit>(&w, "MemoStatus")->toPlainText().endsWith(
                QStringLiteral("User cancel compare\n") + QString(70, QLatin1Char('-'))));
            QVERIFY(!w.Compare().RequestPending());
        }
        QCOMPARE(host.settings.value(QStringLiteral("FIA/PATH")), path);
    }

    void fiaUnreadableRememberedFile() {
        FakeHost host;
        host.settings.insert(QStringLiteral("FIA/PATH"), dir_.filePath(QStringLiteral("gone.hex")));
        TFIA_Form w(host);
        QCOMPARE(host.errors, QStringList{QStringLiteral("Error opening HEX file for input!")});
        QTest::mouseClick(Find<QPushButton>(&w, "BtnStart"), Qt::LeftButton);
        QCOMPARE(host.errors.size(), 2);
        QVERIFY(host.sent.isEmpty());
    }

    void runFiaWindowOrder() {
        FakeHost host;
        CloseModalSoon([&host](QWidget*) {
            host.calls.append(host.compare ? QStringLiteral("shown registered") : QStringLiteral("shown"));
        });
        RunFiaWindow(host, nullptr);
        QCOMPARE(host.calls, (QStringList{QStringLiteral("stop"), QStringLiteral("pause10"),
                                          QStringLiteral("register"), QStringLiteral("shown registered"),
                                          QStringLiteral("unregister"), QStringLiteral("resume")}));
        QVERIFY(!host.compare);
    }
};

QTEST_MAIN(TestFirmwareWindows)
#include "test_firmware_windows.moc"

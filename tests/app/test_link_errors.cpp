// A handler that throws inside the link's hand-off: the error reaches the general error display
// once, and the link goes on reading, writing and watching for a lost adapter.

#include "app/ErrorDisplay.h"
#include "link/FrameCodec.h"
#include "link/MemoryBackend.h"
#include "link/UsbThread.h"
#include "support/ScriptedDialogs.h"

#include <QtTest>

#include <memory>
#include <stdexcept>

using namespace relvane;

namespace {

// Frames as they arrive; a frame whose first byte is 0xEE makes it throw.
struct ThrowingSink : FrameSink {
    QList<QByteArray> frames;
    void DispatchFrame(const std::uint8_t* f, int n) override
    {
        if (n > 0 && f[0] == 0xEE)
            throw std::runtime_error("handler failed");
        frames.append(QByteArray(reinterpret_cast<const char*>(f), n));
    }
};

struct Events : LinkObserver {
    int lost = 0;
    int restored = 0;
    bool throwOnLost = false;
    void OnLinkLost() override
    {
        ++lost;
        if (throwOnLost)
            throw std::runtime_error("lost handler failed");
    }
    void OnLinkRestored() override { ++restored; }
};

const QByteArray kAdapter = "A";

} // namespace

class TestLinkErrors : public QObject {
    Q_OBJECT

    std::unique_ptr<ScriptedDialogs> dialogs_;
    std::unique_ptr<ErrorDisplay> display_;
    std::unique_ptr<MemoryBackend> backend_;
    std::unique_ptr<UsbThread> link_;
    ThrowingSink sink_;
    std::unique_ptr<SlipReceiver> receiver_;
    Events events_;

    RelvaneApplication* App() { return static_cast<RelvaneApplication*>(qApp); }
    void Queue(const QByteArray& e)
    {
        QVERIFY(link_->AddToTxQueue(reinterpret_cast<const std::uint8_t*>(e.constData()), int(e.size())));
    }

private Q_SLOTS:
    void init()
    {
        dialogs_ = std::make_unique<ScriptedDialogs>();
        display_ = std::make_unique<ErrorDisplay>(*dialogs_);
        App()->SetErrorDisplay(display_.get());
        backend_ = std::make_unique<MemoryBackend>();
        backend_->AddAdapter(QString::fromLatin1(kAdapter));
        link_ = std::make_unique<UsbThread>(*backend_);
        sink_ = ThrowingSink();
        receiver_ = std::make_unique<SlipReceiver>(&sink_);
        events_ = Events();
        link_->SetFrameReceiver(receiver_.get());
        link_->SetLinkObserver(&events_);
        QVERIFY(link_->Open(QString::fromLatin1(kAdapter)));
    }
    void cleanup()
    {
        QVERIFY(link_->Join(10000));
        link_.reset();
        backend_.reset();
        App()->SetErrorDisplay(nullptr);
    }

    void throwingFrameHandler()
    {
        // The failing frame and the next one in one chunk, then one more on its own.
        backend_->Deliver(QByteArray::fromHex("c0ee0102c0c0030401c0"));
        QTRY_COMPARE_WITH_TIMEOUT(sink_.frames.size(), 1, 5000);
        QCOMPARE(sink_.frames.first(), QByteArray::fromHex("030401"));
        QTRY_COMPARE_WITH_TIMEOUT(display_->Shown(), 1, 5000);
        QCOMPARE(dialogs_->LastText(), QStringLiteral("handler failed"));

        backend_->Deliver(QByteArray::fromHex("c0050607c0"));
        QTRY_COMPARE_WITH_TIMEOUT(sink_.frames.size(), 2, 5000);
        QCOMPARE(sink_.frames.last(), QByteArray::fromHex("050607"));
        Queue("out");
        QTRY_COMPARE_WITH_TIMEOUT(backend_->Written(), QByteArray("out"), 5000);
        backend_->RemoveAdapter(QString::fromLatin1(kAdapter));
        QTRY_COMPARE_WITH_TIMEOUT(events_.lost, 1, 5000);
        QCOMPARE(display_->Shown(), 1);
    }

    void throwingLostHandler()
    {
        events_.throwOnLost = true;
        backend_->RemoveAdapter(QString::fromLatin1(kAdapter));
        QTRY_COMPARE_WITH_TIMEOUT(display_->Shown(), 1, 5000);
        QCOMPARE(dialogs_->LastText(), QStringLiteral("lost handler failed"));
        // Re-opening goes on: the adapter back is noticed and written to.
        backend_->AddAdapter(QString::fromLatin1(kAdapter));
        QTRY_COMPARE_WITH_TIMEOUT(events_.restored, 1, 5000);
        Queue("again");
        QTRY_COMPARE_WITH_TIMEOUT(backend_->Written(), QByteArray("again"), 5000);
        backend_->Deliver(QByteArray::fromHex("c0080900c0"));
        QTRY_COMPARE_WITH_TIMEOUT(sink_.frames.size(), 1, 5000);
        QCOMPARE(events_.lost, 1);
        QCOMPARE(display_->Shown(), 1);
    }
};

int main(int argc, char** argv)
{
    RelvaneApplication app(argc, argv);
    TestLinkErrors test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_link_errors.moc"

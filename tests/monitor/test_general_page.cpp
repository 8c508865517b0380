// The "General" page as a user sees it: controls found by name, their
// design-time texts, and what the live messages paint into them.

#include "monitor/MonitorTestSupport.h"
#include "monitor/ui/GeneralPage.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using namespace relvane;
using namespace relvane::test;

class TestGeneralPage : public QObject {
    Q_OBJECT

private:
    FakeHost* host_ = nullptr;
    TGeneralPage* page_ = nullptr;

    template <typename T>
    T* Find(const QString& name)
    {
        T* w = page_->findChild<T*>(name);
        if (!w)
            qWarning("no control %s", qPrintable(name));
        return w;
    }
    QPushButton* Button(int ch)
    {
        return Find<QPushButton>(ch <= 18 ? QStringLiteral("BtnHighPowerCh%1").arg(ch)
                                          : QStringLiteral("BtnLowPowerCh%1").arg(ch));
    }
    QStringList LabelTexts(const QString& group)
    {
        QStringList texts;
        for (QLabel* l : Find<QGroupBox>(group)->findChildren<QLabel*>())
            texts << l->text();
        return texts;
    }
    static QColor ButtonColour(QPushButton* b) { return b->palette().color(QPalette::Button); }
    static QColor LabelColour(QLabel* l) { return l->palette().color(QPalette::Window); }
    static QColor Neutral() { return QApplication::palette().color(QPalette::Button); }
    void Feed(const QByteArray& bytes)
    {
        ReceivedFrame f(bytes);
        page_->Monitor().OnChannelStateCfm(f.buffer, f.count);
    }

private Q_SLOTS:
    void init()
    {
        host_ = new FakeHost;
        page_ = new TGeneralPage(*host_);
        page_->Monitor().Timer1().stop();
    }
    void cleanup()
    {
        delete page_;
        delete host_;
    }

    void groupsAndCaptions_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::newRow("mode") << "GroupBox8" << "Mode";
        QTest::newRow("high") << "GroupBox1" << "High Power Channels";
        QTest::newRow("low") << "lowPCh19On" << "Low Power Channels";
        QTest::newRow("status") << "GroupBox4" << "Status";
        QTest::newRow("pin") << "GroupBox26" << "Pin Input";
        QTest::newRow("can") << "GroupBox10" << "CAN Inputs";
    }
    void groupsAndCaptions()
    {
        QFETCH(QString, name);
        auto* box = Find<QGroupBox>(name);
        QVERIFY(box);
        QTEST(box->title(), "caption");
    }

    void designTimeTexts()
    {
        auto* autoBtn = Find<QRadioButton>(QStringLiteral("RadioButtonAuto"));
        auto* manuel = Find<QRadioButton>(QStringLiteral("RadioButtonManuel"));
        QVERIFY(autoBtn && manuel);
        QCOMPARE(autoBtn->text(), QStringLiteral("Auto"));
        QCOMPARE(manuel->text(), QStringLiteral("Manuel test"));
        QVERIFY(autoBtn->isChecked());
        for (int ch = 1; ch <= CHANNEL_COUNT; ++ch) {
            QPushButton* b = Button(ch);
            QVERIFY(b);
            QCOMPARE(b->text(), QStringLiteral("---"));
            QVERIFY(!b->isEnabled());
        }
        for (int ch = 1; ch <= 18; ++ch) {
            QCOMPARE(Find<QLabel>(QStringLiteral("ch%1State").arg(ch))->text(), QStringLiteral(" -- "));
            QCOMPARE(Find<QLabel>(QStringLiteral("LabelHighPowerCh%1").arg(ch))->text(),
                     QStringLiteral("%1: High power").arg(ch));
        }
        QVERIFY(!page_->findChild<QLabel*>(QStringLiteral("ch19State")));
        for (int ch = 19; ch <= 34; ++ch)
            QCOMPARE(Find<QLabel>(QStringLiteral("LabelLowPowerCh%1").arg(ch))->text(),
                     QStringLiteral("%1: Low power").arg(ch));
        for (const char* n : {"lblCurrentSum", "lblVbat", "lblTemp", "lblErrors"})
            QCOMPARE(Find<QLabel>(QString::fromLatin1(n))->text(), QStringLiteral(" -- "));
        for (int i = 1; i <= 11; ++i) {
            QCOMPARE(Find<QLabel>(QStringLiteral("LabelInput%1State").arg(i))->text(), QStringLiteral("Off"));
            QCOMPARE(Find<QLabel>(QStringLiteral("LabelInputCh%1").arg(i))->text(), QStringLiteral("%1 :").arg(i));
        }
        for (int i = 1; i <= 32; ++i) {
            QCOMPARE(Find<QLabel>(QStringLiteral("Label_CAN_InputState%1").arg(i))->text(), QStringLiteral("Off"));
            QCOMPARE(Find<QLabel>(QStringLiteral("LabelCanInputCh%1").arg(i))->text(),
                     QStringLiteral("%1 :").arg(i));
        }
        QCOMPARE(page_->ChannelNameLabel(7)->objectName(), QStringLiteral("LabelHighPowerCh7"));
        QCOMPARE(page_->ChannelNameLabel(19)->objectName(), QStringLiteral("LabelLowPowerCh19"));
        QCOMPARE(page_->InputNameLabel(11)->objectName(), QStringLiteral("LabelInputCh11"));
        QCOMPARE(page_->CanInputNameLabel(32)->objectName(), QStringLiteral("LabelCanInputCh32"));
        QVERIFY(!page_->ChannelNameLabel(35));
    }

    void summaryCaptions()
    {
        const QStringList texts = LabelTexts(QStringLiteral("GroupBox4"));
        for (const char* caption : {"Total Current Used :", "Input Voltage :", "Powerstage Temp. :", "Errors :"})
            QVERIFY2(texts.contains(QString::fromLatin1(caption)), caption);
    }

    void connectorLabels_data()
    {
        QTest::addColumn<QString>("group");
        QTest::addColumn<QString>("text");
        QTest::newRow("output 1") << "GroupBox1" << "( Con. 3, Yellow ring, Pin C )";
        QTest::newRow("output 6") << "GroupBox1" << "( Con. 2, Red ring, Pin A,B )";
        QTest::newRow("output 15") << "GroupBox1" << "( Con. 3, Yellow ring, Pin D,E )";
        QTest::newRow("output 18") << "GroupBox1" << "( Con. 3, Yellow ring, Pin J,K )";
        QTest::newRow("output 19") << "lowPCh19On" << "( Con. 4, Red ring, Pin 1 )";
        QTest::newRow("output 34") << "lowPCh19On" << "( Con. 4, Red ring, Pin 16 )";
        QTest::newRow("input 1") << "GroupBox26" << "( Con. 4, Red ring, Pin 19 )";
        QTest::newRow("input 11") << "GroupBox26" << "( Con. 4, Red ring, Pin 29 )";
    }
    void connectorLabels()
    {
        QFETCH(QString, group);
        QFETCH(QString, text);
        QVERIFY2(LabelTexts(group).contains(text), qPrintable(text));
    }

    void connectorTable()
    {
        const char* const highPower[] = {
            "( Con. 3, Yellow ring, Pin C )", "( Con. 2, Red ring, Pin L )", "( Con. 2, Red ring, Pin H )",
            "( Con. 2, Red ring, Pin F )", "( Con. 2, Red ring, Pin D )", "( Con. 2, Red ring, Pin A,B )",
            "( Con. 3, Yellow ring, Pin L )", "( Con. 3, Yellow ring, Pin A )", "( Con. 2, Red ring, Pin G )",
            "( Con. 2, Red ring, Pin E )", "( Con. 2, Red ring, Pin C )", "( Con. 3, Yellow ring, Pin G )",
            "( Con. 2, Red ring, Pin M )", "( Con. 2, Red ring, Pin J,K )", "( Con. 3, Yellow ring, Pin D,E )",
            "( Con. 3, Yellow ring, Pin B )", "( Con. 3, Yellow ring, Pin M )", "( Con. 3, Yellow ring, Pin J,K )"};
        for (int ch = 1; ch <= 18; ++ch)
            QCOMPARE(TGeneralPage::OutputConnectorText(ch), QString::fromLatin1(highPower[ch - 1]));
        QCOMPARE(TGeneralPage::OutputConnectorText(27), QStringLiteral("( Con. 4, Red ring, Pin 9 )"));
        QCOMPARE(TGeneralPage::InputConnectorText(5), QStringLiteral("( Con. 4, Red ring, Pin 23 )"));
    }

    void paintsHighPowerChannel()
    {
        Feed(ChannelStateFrame(5, 0xF0, 0, 0x012C, 0));
        auto* state = Find<QLabel>(QStringLiteral("ch5State"));
        QCOMPARE(Button(5)->text(), QStringLiteral("On"));
        QCOMPARE(ButtonColour(Button(5)), QColor(0, 255, 0));
        QCOMPARE(state->text(), QStringLiteral("30.0 A"));
        QCOMPARE(LabelColour(state), QColor(0, 255, 0));

        Feed(ChannelStateFrame(5, 0x0F, 2, 0x012C, 0));
        QCOMPARE(state->text(), QStringLiteral("+SHORT"));
        QCOMPARE(LabelColour(state), QColor(255, 0, 0));
        QCOMPARE(Button(5)->text(), QStringLiteral("fail"));
        QCOMPARE(ButtonColour(Button(5)), QColor(255, 0, 0));

        Feed(ChannelStateFrame(5, 0x0F, 0, 0, 1));
        QCOMPARE(state->text(), QStringLiteral("--"));
        QCOMPARE(LabelColour(state), QColor(255, 255, 255));
        QCOMPARE(ButtonColour(Button(5)), QColor(255, 255, 0));
        QCOMPARE(Button(5)->text(), QStringLiteral("Off"));

        Feed(ChannelStateFrame(5, 0x0F, 0, 0, 0));
        QCOMPARE(ButtonColour(Button(5)), Neutral());
        // other channels untouched
        QCOMPARE(Button(6)->text(), QStringLiteral("---"));
    }

    void paintsLowPowerChannel()
    {
        Feed(ChannelStateFrame(20, 0xF0, 8, 0, 1));
        QCOMPARE(Button(20)->text(), QStringLiteral("On"));
        QCOMPARE(ButtonColour(Button(20)), QColor(255, 255, 0));
        Feed(ChannelStateFrame(20, 0xF0, 4, 0, 1));
        QCOMPARE(Button(20)->text(), QStringLiteral("fail"));
        QCOMPARE(ButtonColour(Button(20)), QColor(255, 0, 0));
        Feed(ChannelStateFrame(20, 0x0F, 1, 0, 0));
        QCOMPARE(Button(20)->text(), QStringLiteral("Off"));
        QCOMPARE(ButtonColour(Button(20)), Neutral());
    }

    void paintsStatusAndInputs()
    {
        {
            ReceivedFrame f(ModuleFrame(FRAME_TYPE_COMMAND, STATUS_SUM_CFM, 10, {200, 100, 0x01, 0x2C, 125, 200}));
            page_->Monitor().OnStatusSumCfm(f.buffer, f.count);
        }
        QCOMPARE(Find<QLabel>(QStringLiteral("lblCurrentSum"))->text(), QStringLiteral("30.0 A"));
        QCOMPARE(Find<QLabel>(QStringLiteral("lblVbat"))->text(), QStringLiteral("12.5 V"));
        QCOMPARE(Find<QLabel>(QStringLiteral("lblTemp"))->text(), QStringLiteral("200 \u00B0C"));
        QCOMPARE(Find<QLabel>(QStringLiteral("lblErrors"))->text(), QStringLiteral("300"));
        {
            ReceivedFrame f(ModuleFrame(FRAME_TYPE_COMMAND, INPUT_STATE_CFM, 10, {0x02, 0x04, 0, 0, 0, 0x80}));
            page_->Monitor().OnInputStateCfm(f.buffer, f.count);
        }
        auto* in2 = Find<QLabel>(QStringLiteral("LabelInput2State"));
        QCOMPARE(in2->text(), QStringLiteral("On"));
        QCOMPARE(LabelColour(in2), QColor(0, 255, 0));
        QCOMPARE(Find<QLabel>(QStringLiteral("LabelInput11State"))->text(), QStringLiteral("On"));
        QCOMPARE(Find<QLabel>(QStringLiteral("LabelInput1State"))->text(), QStringLiteral("Off"));
        QCOMPARE(LabelColour(Find<QLabel>(QStringLiteral("LabelInput1State"))), Neutral());
        QCOMPARE(Find<QLabel>(QStringLiteral("Label_CAN_InputState32"))->text(), QStringLiteral("On"));
        QCOMPARE(Find<QLabel>(QStringLiteral("Label_CAN_InputState31"))->text(), QStringLiteral("Off"));
    }

    void resetLiveDisplayKeepsEnabledState()
    {
        Find<QRadioButton>(QStringLiteral("RadioButtonManuel"))->click();
        Feed(ChannelStateFrame(3, 0xF0, 0, 10, 0));
        page_->Monitor().ResetLiveDisplay();
        QCOMPARE(Button(3)->text(), QStringLiteral("Off"));
        QCOMPARE(ButtonColour(Button(3)), Neutral());
        QVERIFY(Button(3)->isEnabled());
        auto* state = Find<QLabel>(QStringLiteral("ch3State"));
        QCOMPARE(state->text(), QStringLiteral("--"));
        QCOMPARE(LabelColour(state), QColor(255, 255, 255));
        QCOMPARE(Find<QLabel>(QStringLiteral("lblTemp"))->text(), QStringLiteral("--"));
    }

    void radioButtonsAndClicks()
    {
        Find<QRadioButton>(QStringLiteral("RadioButtonManuel"))->click();
        QVERIFY(page_->Monitor().ManualMode());
        QCOMPARE(host_->queue.frames.last(), ModuleFrame(FRAME_TYPE_COMMAND, MODE_REQ, 5, {1}));
        for (int ch = 1; ch <= CHANNEL_COUNT; ++ch)
            QVERIFY(Button(ch)->isEnabled());

        Feed(ChannelStateFrame(12, 0x0F, 4, 0, 0));  // "fail"
        host_->ClearRecords();
        QTest::mouseClick(Button(12), Qt::LeftButton);
        QCOMPARE(host_->queue.frames.size(), 1);
        QCOMPARE(int(static_cast<std::uint8_t>(host_->queue.frames[0].at(4))), 12);
        QCOMPARE(int(static_cast<std::uint8_t>(host_->queue.frames[0].at(5))), 0xF0);
        QCOMPARE(Button(12)->text(), QStringLiteral("fail"));  // not repainted by the click

        Feed(ChannelStateFrame(30, 0xF0, 0, 0, 0));  // "On"
        host_->ClearRecords();
        QTest::mouseClick(Button(30), Qt::LeftButton);
        QCOMPARE(host_->queue.frames.size(), 1);
        QCOMPARE(int(static_cast<std::uint8_t>(host_->queue.frames[0].at(4))), 30);
        QCOMPARE(int(static_cast<std::uint8_t>(host_->queue.frames[0].at(5))), 0x0F);

        Find<QRadioButton>(QStringLiteral("RadioButtonAuto"))->click();
        QVERIFY(!Button(30)->isEnabled());
        host_->ClearRecords();
        QTest::mouseClick(Button(30), Qt::LeftButton);  // disabled: nothing
        QVERIFY(host_->queue.frames.isEmpty());
    }

    void watchdogResendsSelectedMode()
    {
        Find<QRadioButton>(QStringLiteral("RadioButtonManuel"))->click();
        for (int i = 0; i < 7; ++i)
            page_->Monitor().TimerVersionTimer();
        QVERIFY(page_->Monitor().LinkLost());
        QCOMPARE(Button(1)->text(), QStringLiteral("Off"));
        host_->ClearRecords();
        ReceivedFrame f(VersionFrame("9.08"));
        page_->Monitor().OnVersionCfm(f.buffer, f.count);
        page_->Monitor().TimerVersionTimer();
        QCOMPARE(host_->queue.frames.first(), ModuleFrame(FRAME_TYPE_COMMAND, MODE_REQ, 5, {1}));
    }

    void timersFoundByName()
    {
        auto* t1 = page_->findChild<QTimer*>(QStringLiteral("Timer1"));
        auto* tv = page_->findChild<QTimer*>(QStringLiteral("TimerVersion"));
        QVERIFY(t1 && tv);
        QCOMPARE(t1->interval(), 150);
        QCOMPARE(tv->interval(), 400);
    }

    void activityLamps()
    {
        TActivityLamps lamps;
        QCOMPARE(lamps.Lit(), -1);
        lamps.SetLit(2);
        QCOMPARE(lamps.Lit(), 2);
        lamps.SetLit(7);
        QCOMPARE(lamps.Lit(), -1);
        lamps.SetLit(0);
        const QImage img = lamps.grab().toImage();
        // the lit lamp is bright green, the others dark
        const QColor lit = img.pixelColor(8, 10);
        const QColor dark = img.pixelColor(TActivityLamps::LAMP_SPACING + 8, 10);
        QVERIFY(lit.green() > 180);
        QVERIFY(dark.green() < 120);
    }
};

QTEST_MAIN(TestGeneralPage)
#include "test_general_page.moc"

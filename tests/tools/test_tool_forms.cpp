#include "FakeToolHost.h"
#include "tools/ui/CalibrationForm.h"
#include "tools/ui/EepromForm.h"
#include "tools/ui/RunTimeErrorForm.h"
#include "tools/ui/SystemSetupForm.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

using namespace relvane;

namespace {

template <typename T>
T* Child(QWidget& w, const char* name) {
    T* c = w.findChild<T*>(QLatin1String(name));
    if (!c) qWarning("missing control %s", name);
    return c;
}

void Click(QWidget& w, const char* name) {
    auto* b = Child<QAbstractButton>(w, name);
    QVERIFY(b);
    b->click();
}

}  // namespace

class TestToolForms : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void systemSetupControls_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::newRow("Label1") << QStringLiteral("Label1") << QStringLiteral("Serial number");
        QTest::newRow("Label2") << QStringLiteral("Label2") << QStringLiteral("Production year");
        QTest::newRow("Label3") << QStringLiteral("Label3") << QStringLiteral("Production week");
        QTest::newRow("Label5") << QStringLiteral("Label5") << QStringLiteral("Hardware version");
        QTest::newRow("Label4") << QStringLiteral("Label4") << QStringLiteral("Software version");
        QTest::newRow("version") << QStringLiteral("MaunUnitVersion") << QStringLiteral("0.0");
        QTest::newRow("SerialEdit") << QStringLiteral("SerialEdit") << QStringLiteral("00000000");
        QTest::newRow("YearEdit") << QStringLiteral("YearEdit") << QStringLiteral("2006");
        QTest::newRow("WeekEdit") << QStringLiteral("WeekEdit") << QStringLiteral("00");
        QTest::newRow("EditHW_version") << QStringLiteral("EditHW_version") << QStringLiteral("00");
        QTest::newRow("BtnUpload") << QStringLiteral("BtnUpload") << QStringLiteral("Upload");
        QTest::newRow("BtnOK") << QStringLiteral("BtnOK") << QStringLiteral("OK");
    }
    void systemSetupControls() {
        QFETCH(QString, name);
        QFETCH(QString, text);
        FakeToolHost host;
        TSystemSetupForm form(host);
        QCOMPARE(form.windowTitle(), QStringLiteral("Orvik system setup"));
        QObject* o = form.findChild<QObject*>(name);
        QVERIFY(o);
        QCOMPARE(o->property("text").toString(), text);
    }

    void systemSetupFlow() {
        FakeToolHost host;
        {
            TSystemSetupForm form(host);
            QCOMPARE(host.Registered(ToolSlot::SystemSetup), &form.tool());
            form.FormActivate();
            QCOMPARE(Child<QLabel>(form, "MaunUnitVersion")->text(), QStringLiteral("9.08"));
            Offer(form.tool(), Reply(1, 0xC1, Hex("075bcd15 17 10 03")));
            QCOMPARE(Child<QLineEdit>(form, "SerialEdit")->text(), QStringLiteral("123456789"));
            QCOMPARE(Child<QLineEdit>(form, "YearEdit")->text(), QStringLiteral("2016"));
            host.sent.clear();
            Child<QLineEdit>(form, "SerialEdit")->setText(QStringLiteral("1234"));
            Click(form, "BtnUpload");
            QCOMPARE(host.sent.size(), 1);
            QCOMPARE(host.sent.first().mid(1), Hex("0b01400000 04d2 17 10 03"));
            Child<QLineEdit>(form, "YearEdit")->setText(QStringLiteral("20x"));
            Click(form, "BtnUpload");
            QCOMPARE(host.sent.size(), 1);
            QCOMPARE(host.dialogs.LastText(), QStringLiteral("'20x' is not a valid integer value"));
            QCOMPARE(host.dialogs.Calls().last().messageKind, MessageKind::Error);
        }
        QCOMPARE(host.Registered(ToolSlot::SystemSetup), nullptr);
    }

    void calibrationForm() {
        FakeToolHost host;
        {
            TCalibrationForm form(host);
            QCOMPARE(form.windowTitle(), QStringLiteral("Calibration"));
            QVERIFY(host.calibrationExists);
            QCOMPARE(host.sent.first(), Reply(1, 0x23, Hex("02")));
            QCOMPARE(host.Registered(ToolSlot::Calibration), &form.tool());
            form.show();
            QVERIFY(host.calibrationVisible);
            QVERIFY(Child<QLabel>(form, "UploadADoffsetOKlabel")->isHidden());
            QVERIFY(Child<QLabel>(form, "StoreCalibrationOKlabel")->isHidden());
            QCOMPARE(Child<QLabel>(form, "Label19")->text(), QStringLiteral("CH 18"));
            QCOMPARE(Child<QPushButton>(form, "Btn_NewRation_18")->text(), QStringLiteral("Calculate new Ration"));
            QCOMPARE(Child<QLabel>(form, "ChannelUpdateLabel5")->text(), QStringLiteral("*"));
            QCOMPARE(Child<QCheckBox>(form, "CheckBoxRation")->text(), QStringLiteral("Use ration values"));

            Offer(form.tool(), Reply(1, 0xC3, Hex("07 0c 3864 012c 00d4")));
            QCOMPARE(Child<QLabel>(form, "Label_AD_Offset_7")->text(), QStringLiteral("12"));
            QCOMPARE(Child<QLabel>(form, "Label_AD_7")->text(), QStringLiteral("0212"));
            QCOMPARE(Child<QLabel>(form, "Label_Amp_ch_7")->text(), QStringLiteral("30.0 A"));
            QCOMPARE(Child<QLabel>(form, "Label_Ratio_7")->text(), QStringLiteral("14436"));
            QCOMPARE(Child<QLabel>(form, "ChannelUpdateLabel7")->text(), QStringLiteral(" "));

            QTest::keyClicks(Child<QLineEdit>(form, "Edit_Current_7"), QStringLiteral("30"));
            Click(form, "Btn_NewRation_7");
            QCOMPARE(Child<QLineEdit>(form, "EditNewRation_7")->text(), QStringLiteral("14436"));
            Click(form, "Btn_NewRation_8");  // no data yet: reported, the window goes on
            QCOMPARE(host.dialogs.Calls().last().messageKind, MessageKind::Error);

            host.sent.clear();
            Child<QLineEdit>(form, "CalibrateChannelEdit")->setText(QStringLiteral("3"));
            Click(form, "CheckBoxOffset");
            Click(form, "CheckBoxRation");
            QCOMPARE(host.sent.last(), Reply(1, 0x44, Hex("06 03")));
            Click(form, "ChannelUpBtn");
            QCOMPARE(Child<QLineEdit>(form, "CalibrateChannelEdit")->text(), QStringLiteral("4"));

            host.sent.clear();
            Click(form, "BtnStoreRation");
            QCOMPARE(host.sent, QList<QByteArray>{Reply(1, 0x42, Hex("07 3864"))});
            Offer(form.tool(), Reply(1, 0xC2, Hex("07")));
            QVERIFY(!Child<QLabel>(form, "StoreCalibrationOKlabel")->isHidden());
            Click(form, "BtnUpload_AD_Offset");
            Offer(form.tool(), Reply(1, 0xC5));
            QVERIFY(!Child<QLabel>(form, "UploadADoffsetOKlabel")->isHidden());
            form.hide();
            QVERIFY(!host.calibrationVisible);
        }
        QVERIFY(!host.calibrationExists);
        QCOMPARE(host.Registered(ToolSlot::Calibration), nullptr);
    }

    void runtimeErrorInstances() {
        FakeToolHost host;
        TRunTimeErrorForm hidden(host);
        QCOMPARE(host.Registered(ToolSlot::RunTimeError), &hidden.log());
        {
            TRunTimeErrorForm menu(host);
            QCOMPARE(menu.windowTitle(), QStringLiteral("Runtime ERROR"));
            QCOMPARE(host.Registered(ToolSlot::RunTimeError), &menu.log());
            menu.FormActivate();
            QCOMPARE(host.sent.last(), Reply(0, 0x50));
            Offer(menu.log(), Reply(0, 0xA0, Hex("00")));
            QCOMPARE(Child<QPlainTextEdit>(menu, "MemoErrorLog")->toPlainText(), QStringLiteral(" Error list count 0"));
            Click(menu, "BtnResetLog");
            QCOMPARE(host.sent.last(), Reply(0, 0x52));
            Click(menu, "BtnResetSystemLog");
            QCOMPARE(host.sent.last(), Reply(1, 0x61));
            Click(menu, "BtnReboot");
            QCOMPARE(host.sent.last(), Reply(1, 0x07));
            menu.FormActivate();
            QCOMPARE(Child<QPlainTextEdit>(menu, "MemoErrorLog")->toPlainText(), QString());
        }
        // Once the menu's window has closed, no runtime error window is registered.
        QCOMPARE(host.Registered(ToolSlot::RunTimeError), nullptr);
    }

    void eepromForm() {
        FakeToolHost host;
        TEEPROMForm form(host);
        QCOMPARE(host.Registered(ToolSlot::Eeprom), &form.tool());
        form.show();
        QCOMPARE(form.windowTitle(), QStringLiteral("EEPROM"));
        auto* grid = Child<QTableView>(form, "EEStringGrid");
        QVERIFY(grid);
        QCOMPARE(grid->model()->rowCount(), 999);
        QCOMPARE(grid->model()->headerData(17, Qt::Horizontal).toString(), QStringLiteral("**** ASCII *****"));
        QCOMPARE(grid->model()->index(255, 0).data().toString(), QStringLiteral("0FF0"));
        QCOMPARE(grid->columnWidth(17), 134);
        QCOMPARE(Child<QLineEdit>(form, "EEPROMEndEdit")->text(), QStringLiteral("1000"));

        Child<QLineEdit>(form, "EEPROMEndEdit")->setText(QStringLiteral("0020"));
        Click(form, "EEPROMReadBtn");
        auto* read = Child<QPushButton>(form, "EEPROMReadBtn");
        QVERIFY(!read->isEnabled());
        QVERIFY(Child<QPushButton>(form, "EEPROMWriteBtn")->isEnabled());
        Offer(form.tool(), Reply(0, 0xA3, Hex("00 0000") + QByteArray("Hello World!!!!!")));
        QCOMPARE(read->text(), QStringLiteral("Reading"));
        QCOMPARE(Child<QProgressBar>(form, "EEPROMProgressBar")->value(), 50);
        QCOMPARE(grid->model()->index(0, 17).data().toString(), QStringLiteral("Hello. World!!!!!"));
        Offer(form.tool(), Reply(0, 0xA3, Hex("00 1000") + QByteArray(16, 'x')));
        QCOMPARE(read->text(), QStringLiteral("Read"));
        QVERIFY(read->isEnabled());

        // Typing into a cell shifts the digit in from the right.
        form.tool().buffer().setCell(3, 1, QStringLiteral("3A"));
        grid->setFocus();
        grid->setCurrentIndex(grid->model()->index(2, 1));
        QTest::keyClick(grid, Qt::Key_5);
        QCOMPARE(form.tool().buffer().cell(3, 1), QStringLiteral("A5"));
        auto* editor = grid->findChild<QLineEdit*>(QStringLiteral("EEStringGridEditor"));
        QVERIFY(editor);
        QTest::keyClick(editor, Qt::Key_7);
        QCOMPARE(form.tool().buffer().cell(3, 1), QStringLiteral("57"));
        QTest::keyClick(editor, Qt::Key_G);
        QCOMPARE(form.tool().buffer().cell(3, 1), QStringLiteral("00"));
        QCOMPARE(host.beeps, 1);
        QVERIFY(!(grid->model()->flags(grid->model()->index(2, 0)) & Qt::ItemIsEditable));

        Child<QLineEdit>(form, "FillEndEdit")->setText(QStringLiteral("0010"));
        Click(form, "BufferFillFFBtn");
        QCOMPARE(grid->model()->index(0, 1).data().toString(), QStringLiteral("FF"));
        Child<QLineEdit>(form, "EEPROMStartEdit")->setText(QStringLiteral("0100"));
        Child<QLineEdit>(form, "EEPROMEndEdit")->setText(QStringLiteral("0100"));
        Click(form, "EEPROMWriteBtn");
        QCOMPARE(host.dialogs.Calls().last().messageKind, MessageKind::Error);
        QVERIFY(Child<QPushButton>(form, "EEPROMWriteBtn")->isEnabled());
    }
};

QTEST_MAIN(TestToolForms)
#include "test_tool_forms.moc"

// The editors' plain rules: limit checks, number reading, typed-comma rule, input-pin texts,
// trigger-level choices, output connectors, list maximums, flash times, wiper and integer rules.

#include "config/EditorRules.h"
#include "config/SelectionLists.h"

#include <QtTest>

using namespace relvane;

Q_DECLARE_METATYPE(relvane::NumericEditorKind)
Q_DECLARE_METATYPE(relvane::OutputListKind)

class TestEditorRules : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void limitReplacement_data();
    void limitReplacement();
    void integerPart_data();
    void integerPart();
    void numberFromText_data();
    void numberFromText();
    void tenthsField_data();
    void tenthsField();
    void fieldTexts();
    void commaKey();
    void inputPinText_data();
    void inputPinText();
    void trigLevelChoices_data();
    void trigLevelChoices();
    void outputPinText_data();
    void outputPinText();
    void listMaximums_data();
    void listMaximums();
    void flashTime_data();
    void flashTime();
    void homeParkRule_data();
    void homeParkRule();
    void integerText_data();
    void integerText();
};

void TestEditorRules::limitReplacement_data()
{
    QTest::addColumn<NumericEditorKind>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("replacement");  // empty: the text passes
    using K = NumericEditorKind;
    QTest::newRow("current 95") << K::Current << "95" << "90.0";
    QTest::newRow("current 90.9 passes") << K::Current << "90.9" << "";
    QTest::newRow("current 90.5 passes") << K::Current << "90.5" << "";
    QTest::newRow("current 91") << K::Current << "91" << "90.0";
    QTest::newRow("current blanks") << K::Current << "  95" << "90.0";
    QTest::newRow("current negative") << K::Current << "-95" << "";
    QTest::newRow("current letters") << K::Current << "abc" << "";
    QTest::newRow("current huge") << K::Current << "99999999999999999999" << "90.0";
    QTest::newRow("current 9e9 looks at 9") << K::Current << "9e9" << "";
    QTest::newRow("on-timer 25.9 passes") << K::OnTimer << "25.9" << "";
    QTest::newRow("on-timer 26") << K::OnTimer << "26" << "25.0";
    QTest::newRow("on-timer CONT.") << K::OnTimer << "CONT." << "";
    QTest::newRow("delay 10.5") << K::Delay << "10.5" << "10.0";
    QTest::newRow("delay 10") << K::Delay << "10" << "10.0";
    QTest::newRow("delay 12") << K::Delay << "12" << "10.0";
    QTest::newRow("delay 9.99 passes") << K::Delay << "9.99" << "";
    QTest::newRow("delay 2,5 passes") << K::Delay << "2,5" << "";
    QTest::newRow("peak 10.05") << K::PeakTime << "10.05" << "10.0";
    QTest::newRow("peak 10,5 comma") << K::PeakTime << "10,5" << "10.0";
    QTest::newRow("peak 10.0 passes") << K::PeakTime << "10.0" << "";
    QTest::newRow("peak 9.9 passes") << K::PeakTime << "9.9" << "";
    QTest::newRow("peak 1e2") << K::PeakTime << "1e2" << "10.0";
    QTest::newRow("low voltage 17") << K::LowVoltage << "17" << "12.0";
    QTest::newRow("low voltage 16.9 passes") << K::LowVoltage << "16.9" << "";
    QTest::newRow("upper voltage 17") << K::UpperVoltage << "17" << "12.3";
    QTest::newRow("upper voltage 16 passes") << K::UpperVoltage << "16" << "";
}

void TestEditorRules::limitReplacement()
{
    QFETCH(NumericEditorKind, kind);
    QFETCH(QString, text);
    QFETCH(QString, replacement);
    const auto r = LimitReplacement(kind, text);
    QCOMPARE(r.value_or(QString()), replacement);
    // A replacement is a fixed point of its own check (the delay's 10.0 fires again and gives
    // 10.0 again), so an editor that stops when the text already reads the replacement ends.
    if (r)
        QCOMPARE(LimitReplacement(kind, *r).value_or(*r), *r);
}

void TestEditorRules::integerPart_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("plain") << "42" << 42;
    QTest::newRow("decimal") << "90.9" << 90;
    QTest::newRow("blanks and sign") << "  -17x" << -17;
    QTest::newRow("plus") << "+5" << 5;
    QTest::newRow("no digits") << "CONT." << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("sign only") << "-" << 0;
    QTest::newRow("blank inside") << "1 2" << 1;
    QTest::newRow("saturates") << "123456789012345" << std::numeric_limits<int>::max();
}

void TestEditorRules::integerPart()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(IntegerPartOfText(text), value);
}

void TestEditorRules::numberFromText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("decimal") << "10.05" << 10.05;
    QTest::newRow("comma") << "2,5" << 2.5;
    QTest::newRow("exponent") << "1.5e1" << 15.0;
    QTest::newRow("exponent without digits") << "3e" << 3.0;
    QTest::newRow("nothing") << "abc" << 0.0;
    QTest::newRow("leading point") << ".5" << 0.5;
    QTest::newRow("underflow") << "1e-999" << 0.0;
}

void TestEditorRules::numberFromText()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(NumberFromText(text), value);
}

void TestEditorRules::tenthsField_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("maxValue");
    QTest::addColumn<int>("stored");  // -1: empty number
    QTest::newRow("empty") << "" << kByteFieldMax << -1;
    QTest::newRow("CONT.") << "CONT." << kByteFieldMax << 0;
    QTest::newRow("zero") << "0" << kByteFieldMax << 0;
    QTest::newRow("2.5") << "2.5" << kByteFieldMax << 25;
    QTest::newRow("2,5") << "2,5" << kByteFieldMax << 25;
    QTest::newRow("90.9 current") << "90.9" << kWordFieldMax << 909;
    QTest::newRow("25.9 byte clamps") << "25.9" << kByteFieldMax << 255;
    QTest::newRow("negative clamps to 0") << "-3" << kByteFieldMax << 0;
    QTest::newRow("letters") << "x" << kByteFieldMax << 0;
}

void TestEditorRules::tenthsField()
{
    QFETCH(QString, text);
    QFETCH(int, maxValue);
    QFETCH(int, stored);
    const OptionalNumber v = TenthsFieldFromText(text, maxValue);
    QCOMPARE(v.has_value(), stored >= 0);
    if (stored >= 0)
        QCOMPARE(*v, stored);
}

void TestEditorRules::fieldTexts()
{
    QCOMPARE(TenthsFieldText(std::nullopt), QString());
    QCOMPARE(TenthsFieldText(905), QStringLiteral("90.5"));
    QCOMPARE(TenthsFieldText(0), QStringLiteral("0.0"));
    QCOMPARE(OnTimeFieldText(0), QStringLiteral("CONT."));
    QCOMPARE(OnTimeFieldText(15), QStringLiteral("1.5"));
    QCOMPARE(OnTimeFieldText(std::nullopt), QString());
}

void TestEditorRules::commaKey()
{
    QCOMPARE(TjekEditKeyPress(QLatin1Char(',')), QLatin1Char('.'));
    QCOMPARE(TjekEditKeyPress(QLatin1Char('5')), QLatin1Char('5'));
    QCOMPARE(TjekEditKeyPress(QLatin1Char('.')), QLatin1Char('.'));
    QCOMPARE(TjekEditText(QStringLiteral("1,2,3")), QStringLiteral("1.2.3"));
}

void TestEditorRules::inputPinText_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("text");
    QTest::newRow("none") << -1 << "";
    QTest::newRow("DISABLED") << 0 << "";
    QTest::newRow("+30") << 1 << "";
    QTest::newRow("input 1") << 2 << "( Con. 4, Red ring, Pin 19 )";
    QTest::newRow("input 11") << 12 << "( Con. 4, Red ring, Pin 29 )";
    QTest::newRow("CAN input 1") << 13 << "( CAN input 1 )";
    QTest::newRow("CAN input 7") << 19 << "( CAN input 7 )";
    QTest::newRow("CAN input 32") << 44 << "( CAN input 32 )";
    QTest::newRow("virtual 1") << 45 << "( Virtual input 1 )";
    QTest::newRow("virtual 20") << 64 << "( Virtual input 20 )";
    QTest::newRow("wiper slow") << 65 << "( Wiper Low speed )";
    QTest::newRow("wiper fast") << 66 << "( Wiper High speed )";
    QTest::newRow("beyond") << 67 << "";
}

void TestEditorRules::inputPinText()
{
    QFETCH(int, position);
    QFETCH(QString, text);
    QCOMPARE(InputPinText(position), text);
}

void TestEditorRules::trigLevelChoices_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("previous");
    QTest::addColumn<bool>("rebuild");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<int>("selected");
    const QStringList gndOpen = {QStringLiteral("GND"), QStringLiteral("OPEN")};
    QTest::newRow("none") << -1 << 1 << false << QStringList() << false << -1;
    QTest::newRow("DISABLED") << 0 << 1 << false << QStringList() << false << -1;
    QTest::newRow("+30") << 1 << 1 << true << QStringList{QStringLiteral("+30")} << false << 0;
    QTest::newRow("input 1") << 2 << 1 << true << QStringList{QStringLiteral("+12v")} << false << 0;
    QTest::newRow("input 2 keeps OPEN") << 3 << 1 << true << gndOpen << true << 1;
    QTest::newRow("input 5 keeps GND") << 6 << 0 << true << gndOpen << true << 0;
    QTest::newRow("input 11 none gives GND") << 12 << -1 << true << gndOpen << true << 0;
    QTest::newRow("CAN input") << 13 << 1 << true << QStringList{QStringLiteral("-")} << false << 0;
    QTest::newRow("virtual input") << 64 << 1 << true << QStringList{QStringLiteral("-")} << false << 0;
    QTest::newRow("wiper fast") << 66 << 1 << true << QStringList{QStringLiteral("-")} << false << 0;
}

void TestEditorRules::trigLevelChoices()
{
    QFETCH(int, position);
    QFETCH(int, previous);
    QFETCH(bool, rebuild);
    QFETCH(QStringList, entries);
    QFETCH(bool, enabled);
    QFETCH(int, selected);
    const TrigLevelChoices c = TrigLevelChoicesFor(position, previous);
    QCOMPARE(c.rebuild, rebuild);
    if (!rebuild)
        return;
    QCOMPARE(c.entries, entries);
    QCOMPARE(c.enabled, enabled);
    QCOMPARE(c.selected, selected);
    // Every single-entry list leaves the level at 1.
    if (c.entries.size() == 1)
        QCOMPARE(PositionToTriggerLevel(c.selected), 1);
}

void TestEditorRules::outputPinText_data()
{
    QTest::addColumn<int>("output");
    QTest::addColumn<QString>("text");
    QTest::newRow("1") << 1 << "( Con. 3, Yellow ring, Pin C )";
    QTest::newRow("6") << 6 << "( Con. 2, Red ring, Pin A,B )";
    QTest::newRow("14") << 14 << "( Con. 2, Red ring, Pin J,K )";
    QTest::newRow("18") << 18 << "( Con. 3, Yellow ring, Pin J,K )";
    QTest::newRow("19") << 19 << "( Con. 4, Red ring, Pin 1 )";
    QTest::newRow("34") << 34 << "( Con. 4, Red ring, Pin 16 )";
    QTest::newRow("0") << 0 << "";
    QTest::newRow("35") << 35 << "";
}

void TestEditorRules::outputPinText()
{
    QFETCH(int, output);
    QFETCH(QString, text);
    QCOMPARE(OutputPinText(output), text);
}

void TestEditorRules::listMaximums_data()
{
    QTest::addColumn<OutputListKind>("kind");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<QString>("message");
    QTest::newRow("low battery") << OutputListKind::LowBattery << 12 << "Max 12 in low battery list!";
    QTest::newRow("start") << OutputListKind::StartButton << 14 << "Max 14 Start Button list!";
    QTest::newRow("kill") << OutputListKind::KillButton << 14 << "Max 14 Kill Button list!";
    QTest::newRow("flash") << OutputListKind::Flash << 4 << "Max 4 in output list!";
}

void TestEditorRules::listMaximums()
{
    QFETCH(OutputListKind, kind);
    QFETCH(int, maximum);
    QFETCH(QString, message);
    QCOMPARE(OutputListMaximum(kind), maximum);
    QCOMPARE(OutputListMaximumMessage(kind), message);
    OutputList ticks;
    for (int i = 0; i < maximum; ++i)
        ticks.set(std::size_t(kOutputCount - 1 - i));  // the last outputs count like the first
    QVERIFY(!OutputListTooMany(kind, ticks));
    ticks.set(0);
    QVERIFY(OutputListTooMany(kind, ticks));
}

void TestEditorRules::flashTime_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<int>("stored");
    QTest::newRow("above the limit") << "30000" << "25000" << 250;
    QTest::newRow("far above") << "99999999999" << "25000" << 250;
    QTest::newRow("at the limit") << "25000" << "" << 250;
    QTest::newRow("99 ms") << "99" << "" << 0;
    QTest::newRow("150 ms") << "150" << "" << 1;
    QTest::newRow("decimal cut") << "1999.9" << "" << 19;
    QTest::newRow("letters") << "abc" << "" << 0;
    QTest::newRow("negative stores 0") << "-500" << "" << 0;
}

void TestEditorRules::flashTime()
{
    QFETCH(QString, text);
    QFETCH(QString, replacement);
    QFETCH(int, stored);
    const FlashTimeResult r = FlashTimeFromText(text);
    QCOMPARE(r.replacement.value_or(QString()), replacement);
    QCOMPARE(int(r.stored), stored);
    QCOMPARE(FlashTimeText(1), QStringLiteral("100"));
    QCOMPARE(FlashTimeText(250), QStringLiteral("25000"));
}

void TestEditorRules::homeParkRule_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("level");  // -1: unchanged
    QTest::newRow("DISABLED") << 0 << 1;
    QTest::newRow("+30") << 1 << 1;
    QTest::newRow("input 1") << 2 << -1;
    QTest::newRow("input 3") << 4 << -1;
    QTest::newRow("input 11") << 12 << -1;
    QTest::newRow("CAN input 1") << 13 << 1;
    QTest::newRow("virtual 20") << 64 << 1;
}

void TestEditorRules::homeParkRule()
{
    QFETCH(int, position);
    QFETCH(int, level);
    QCOMPARE(HomeParkLevelAfterInput(position).value_or(-1), level);
}

void TestEditorRules::integerText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("decimal") << "12" << 12;
    QTest::newRow("blanks") << " 7 " << 7;
    QTest::newRow("hex dollar") << "$1F" << 31;
    QTest::newRow("hex 0x") << "0x10" << 16;
    QTest::newRow("negative") << "-3" << -3;
    QTest::newRow("letter") << "a" << -99;
    QTest::newRow("empty") << "" << -99;
    QTest::newRow("decimal point") << "1.5" << -99;
    QTest::newRow("dollar only") << "$" << -99;
    QTest::newRow("bad hex") << "$G" << -99;
    QTest::newRow("double sign") << "--5" << -99;
    QTest::newRow("too large") << "99999999999" << -99;
}

void TestEditorRules::integerText()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(IntegerTextOr(text, -99), value);
}

QTEST_GUILESS_MAIN(TestEditorRules)
#include "test_editor_rules.moc"

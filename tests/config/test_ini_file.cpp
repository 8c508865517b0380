#include "config/IniFile.h"
#include "config/ReadOnlyFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <limits>

using namespace relvane;

namespace {

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

bool WriteAll(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

}  // namespace

class TestIniFile : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void readString_data();
  void readString();
  void readInteger_data();
  void readInteger();
  void readBool_data();
  void readBool();
  void readFloat_data();
  void readFloat();
  void formatFloat_data();
  void formatFloat();
  void floatRoundTrip();
  void writeSemantics_data();
  void writeSemantics();
  void writeFreshInOrder();
  void writeKeepsOtherLines();
  void writeValueWithLineBreak();
  void windows1252();
  void loadMissingFile();
  void saveAndLoad();
  void saveIntoReadOnlyFolderKeepsOldFile();
  void saveOntoDirectoryFails();
  void saveIntoMissingFolderFails();
};

void TestIniFile::readString_data() {
  QTest::addColumn<QByteArray>("content");
  QTest::addColumn<QString>("section");
  QTest::addColumn<QString>("key");
  QTest::addColumn<bool>("found");
  QTest::addColumn<QByteArray>("value");
  const QByteArray base = "[Sec]\r\nKey=Value\r\n";
  QTest::newRow("plain") << base << "Sec" << "Key" << true << QByteArray("Value");
  QTest::newRow("lower-case names") << base << "sec" << "KEY" << true << QByteArray("Value");
  QTest::newRow("missing key") << base << "Sec" << "Other" << false << QByteArray();
  QTest::newRow("missing section") << base << "Nope" << "Key" << false << QByteArray();
  QTest::newRow("blanks dropped") << QByteArray("[S]\r\nK=  a b \t\r\n") << "S" << "K" << true << QByteArray("a b");
  QTest::newRow("blanks around key") << QByteArray("[S]\r\n  K  =v\r\n") << "S" << "K" << true << QByteArray("v");
  QTest::newRow("blanks around section") << QByteArray("  [ S ]\r\nK=v\r\n") << "S" << "K" << true << QByteArray("v");
  QTest::newRow("double quotes") << QByteArray("[S]\r\nK=\"quoted\"\r\n") << "S" << "K" << true << QByteArray("quoted");
  QTest::newRow("single quotes") << QByteArray("[S]\r\nK='quoted'\r\n") << "S" << "K" << true << QByteArray("quoted");
  QTest::newRow("quotes inside blanks") << QByteArray("[S]\r\nK=  \" x \"  \r\n") << "S" << "K" << true << QByteArray(" x ");
  QTest::newRow("unequal quotes") << QByteArray("[S]\r\nK=\"x'\r\n") << "S" << "K" << true << QByteArray("\"x'");
  QTest::newRow("one pair only") << QByteArray("[S]\r\nK=\"\"x\"\"\r\n") << "S" << "K" << true << QByteArray("\"x\"");
  QTest::newRow("lone quote") << QByteArray("[S]\r\nK=\"\r\n") << "S" << "K" << true << QByteArray("\"");
  QTest::newRow("empty quotes") << QByteArray("[S]\r\nK=\"\"\r\n") << "S" << "K" << true << QByteArray();
  QTest::newRow("empty value") << QByteArray("[S]\r\nK=\r\n") << "S" << "K" << true << QByteArray();
  QTest::newRow("equals in value") << QByteArray("[S]\r\nK=a=b\r\n") << "S" << "K" << true << QByteArray("a=b");
  QTest::newRow("first occurrence") << QByteArray("[S]\r\nK=1\r\nk=2\r\n") << "S" << "K" << true << QByteArray("1");
  QTest::newRow("first section") << QByteArray("[S]\r\nA=1\r\n[s]\r\nK=2\r\nA=3\r\n") << "S" << "K" << false << QByteArray();
  QTest::newRow("first section value") << QByteArray("[S]\r\nA=1\r\n[s]\r\nA=3\r\n") << "s" << "A" << true << QByteArray("1");
  QTest::newRow("LF lines") << QByteArray("[S]\nK=v\n") << "S" << "K" << true << QByteArray("v");
  QTest::newRow("no final line end") << QByteArray("[S]\r\nK=v") << "S" << "K" << true << QByteArray("v");
  QTest::newRow("blank lines") << QByteArray("\r\n[S]\r\n\r\n\r\nK=v\r\n\r\n") << "S" << "K" << true << QByteArray("v");
  QTest::newRow("before any section") << QByteArray("K=v\r\n[S]\r\n") << "S" << "K" << false << QByteArray();
  QTest::newRow("section with blank") << QByteArray("[START BUTTON]\r\nX=1\r\n") << "start button" << "x" << true << QByteArray("1");
  QTest::newRow("key with blank") << QByteArray("[FLASH]\r\nCHANNEL_LIST1index 0=3\r\n") << "FLASH" << "channel_list1INDEX 0" << true << QByteArray("3");
  QTest::newRow("line without equals") << QByteArray("[S]\r\nK\r\n") << "S" << "K" << false << QByteArray();
  QTest::newRow("non-ASCII names, other case") << QByteArray("[\xC4RGER]\r\n\xD6L=1\r\n") << QStringLiteral("\u00e4rger")
                                                << QStringLiteral("\u00f6l") << true << QByteArray("1");
  QTest::newRow("long names, other case") << (QByteArray("[") + QByteArray(70, 'S') + "]\r\n" + QByteArray(90, 'K') + "=1\r\n")
                                          << QString(70, QLatin1Char('s')) << QString(90, QLatin1Char('k')) << true << QByteArray("1");
  QTest::newRow("long name, one letter more") << (QByteArray("[S]\r\n") + QByteArray(90, 'K') + "=1\r\n") << "S"
                                              << QString(91, QLatin1Char('k')) << false << QByteArray();
  QTest::newRow("2047 kept") << (QByteArray("[S]\r\nK=") + QByteArray(2047, 'x') + "\r\n") << "S" << "K" << true << QByteArray(2047, 'x');
  QTest::newRow("2048 cut") << (QByteArray("[S]\r\nK=") + QByteArray(2047, 'x') + "y\r\n") << "S" << "K" << true << QByteArray(2047, 'x');
  QTest::newRow("quoted long cut after unquoting") << (QByteArray("[S]\r\nK=\"") + QByteArray(2047, 'x') + "\"\r\n") << "S" << "K" << true << QByteArray(2047, 'x');
}

void TestIniFile::readString() {
  QFETCH(QByteArray, content);
  QFETCH(QString, section);
  QFETCH(QString, key);
  QFETCH(bool, found);
  QFETCH(QByteArray, value);
  IniFile ini;
  ini.Parse(content);
  QCOMPARE(ini.HasKey(section, key), found);
  QCOMPARE(ini.ReadBytes(section, key, "DEF"), found ? value : QByteArray("DEF"));
}

void TestIniFile::readInteger_data() {
  QTest::addColumn<QByteArray>("text");
  QTest::addColumn<int>("expected");  // the default is 77
  QTest::newRow("decimal") << QByteArray("12") << 12;
  QTest::newRow("negative") << QByteArray("-5") << -5;
  QTest::newRow("plus") << QByteArray("+5") << 5;
  QTest::newRow("zero") << QByteArray("0") << 0;
  QTest::newRow("0x") << QByteArray("0x1F") << 31;
  QTest::newRow("0X") << QByteArray("0X1f") << 31;
  QTest::newRow("$") << QByteArray("$FF") << 255;
  QTest::newRow("0x3E8") << QByteArray("0x3E8") << 1000;
  QTest::newRow("hex 32 bits") << QByteArray("0xFFFFFFFF") << -1;
  QTest::newRow("hex top bit") << QByteArray("$80000000") << std::numeric_limits<int>::min();
  QTest::newRow("hex leading zeros") << QByteArray("0x0000000001") << 1;
  QTest::newRow("hex beyond 32 bits") << QByteArray("0x100000000") << 77;
  QTest::newRow("max") << QByteArray("2147483647") << std::numeric_limits<int>::max();
  QTest::newRow("max + 1") << QByteArray("2147483648") << 77;
  QTest::newRow("min") << QByteArray("-2147483648") << std::numeric_limits<int>::min();
  QTest::newRow("min - 1") << QByteArray("-2147483649") << 77;
  QTest::newRow("very long") << QByteArray("123456789012345678901234567890") << 77;
  QTest::newRow("blanks") << QByteArray("  42  ") << 42;
  QTest::newRow("quoted") << QByteArray("'5'") << 5;
  QTest::newRow("letters") << QByteArray("abc") << 77;
  QTest::newRow("trailing letters") << QByteArray("12abc") << 77;
  QTest::newRow("inner blank") << QByteArray("1 2") << 77;
  QTest::newRow("bare 0x") << QByteArray("0x") << 77;
  QTest::newRow("bare $") << QByteArray("$") << 77;
  QTest::newRow("bad hex digit") << QByteArray("0x1G") << 77;
  QTest::newRow("sign only") << QByteArray("-") << 77;
  QTest::newRow("decimal point") << QByteArray("1.5") << 77;
  QTest::newRow("empty") << QByteArray("") << 77;
}

void TestIniFile::readInteger() {
  QFETCH(QByteArray, text);
  QFETCH(int, expected);
  IniFile ini;
  ini.Parse("[S]\r\nK=" + text + "\r\n");
  QCOMPARE(ini.ReadInteger(QStringLiteral("S"), QStringLiteral("K"), 77), expected);
  QCOMPARE(ini.ReadInteger(QStringLiteral("S"), QStringLiteral("missing"), 77), 77);
}

void TestIniFile::readBool_data() {
  QTest::addColumn<QByteArray>("text");
  QTest::addColumn<bool>("withFalseDefault");
  QTest::addColumn<bool>("withTrueDefault");
  QTest::newRow("1") << QByteArray("1") << true << true;
  QTest::newRow("0") << QByteArray("0") << false << false;
  QTest::newRow("5") << QByteArray("5") << true << true;
  QTest::newRow("-1") << QByteArray("-1") << true << true;
  QTest::newRow("0x0") << QByteArray("0x0") << false << false;
  QTest::newRow("true") << QByteArray("true") << false << true;
  QTest::newRow("empty") << QByteArray("") << false << true;
}

void TestIniFile::readBool() {
  QFETCH(QByteArray, text);
  QFETCH(bool, withFalseDefault);
  QFETCH(bool, withTrueDefault);
  IniFile ini;
  ini.Parse("[S]\r\nK=" + text + "\r\n");
  QCOMPARE(ini.ReadBool(QStringLiteral("S"), QStringLiteral("K"), false), withFalseDefault);
  QCOMPARE(ini.ReadBool(QStringLiteral("S"), QStringLiteral("K"), true), withTrueDefault);
}

void TestIniFile::readFloat_data() {
  QTest::addColumn<QChar>("separator");
  QTest::addColumn<QByteArray>("text");
  QTest::addColumn<double>("expected");  // the default is 1
  QTest::newRow("point") << QChar(u'.') << QByteArray("0.5") << 0.5;
  QTest::newRow("comma on point locale") << QChar(u'.') << QByteArray("0,5") << 1.0;
  QTest::newRow("comma locale") << QChar(u',') << QByteArray("0,5") << 0.5;
  QTest::newRow("point on comma locale") << QChar(u',') << QByteArray("0.5") << 1.0;
  QTest::newRow("integer") << QChar(u'.') << QByteArray("-5") << -5.0;
  QTest::newRow("exponent") << QChar(u'.') << QByteArray("1.5E3") << 1500.0;
  QTest::newRow("negative exponent") << QChar(u'.') << QByteArray("2e-2") << 0.02;
  QTest::newRow("leading point") << QChar(u'.') << QByteArray(".25") << 0.25;
  QTest::newRow("trailing point") << QChar(u'.') << QByteArray("3.") << 3.0;
  QTest::newRow("blanks") << QChar(u'.') << QByteArray("  2.5 ") << 2.5;
  QTest::newRow("empty") << QChar(u'.') << QByteArray("") << 1.0;
  QTest::newRow("letters") << QChar(u'.') << QByteArray("x") << 1.0;
  QTest::newRow("trailing letters") << QChar(u'.') << QByteArray("2.5x") << 1.0;
  QTest::newRow("bare exponent") << QChar(u'.') << QByteArray("2e") << 1.0;
  QTest::newRow("overflow") << QChar(u'.') << QByteArray("1e999") << 1.0;
  QTest::newRow("nan text") << QChar(u'.') << QByteArray("NAN") << 1.0;
}

void TestIniFile::readFloat() {
  QFETCH(QChar, separator);
  QFETCH(QByteArray, text);
  QFETCH(double, expected);
  IniFile ini;
  ini.SetDecimalSeparator(separator);
  ini.Parse("[S]\r\nK=" + text + "\r\n");
  QCOMPARE(ini.ReadFloat(QStringLiteral("S"), QStringLiteral("K"), 1.0), expected);
}

void TestIniFile::formatFloat_data() {
  QTest::addColumn<QChar>("separator");
  QTest::addColumn<double>("value");
  QTest::addColumn<QByteArray>("text");
  QTest::newRow("1") << QChar(u'.') << 1.0 << QByteArray("1");
  QTest::newRow("0") << QChar(u'.') << 0.0 << QByteArray("0");
  QTest::newRow("half") << QChar(u'.') << 0.5 << QByteArray("0.5");
  QTest::newRow("half comma") << QChar(u',') << 0.5 << QByteArray("0,5");
  QTest::newRow("single 0.1") << QChar(u'.') << double(0.1f) << QByteArray("0.100000001490116");
  QTest::newRow("-5") << QChar(u'.') << -5.0 << QByteArray("-5");
  QTest::newRow("127") << QChar(u'.') << 127.0 << QByteArray("127");
  QTest::newRow("double 0.1") << QChar(u'.') << 0.1 << QByteArray("0.1");
  QTest::newRow("1/3") << QChar(u'.') << 1.0 / 3.0 << QByteArray("0.333333333333333");
  QTest::newRow("2/3 rounds") << QChar(u'.') << 2.0 / 3.0 << QByteArray("0.666666666666667");
  QTest::newRow("15 digits") << QChar(u'.') << 123456789012345.0 << QByteArray("123456789012345");
  QTest::newRow("1e15") << QChar(u'.') << 1e15 << QByteArray("1E15");
  QTest::newRow("1e20") << QChar(u'.') << 1e20 << QByteArray("1E20");
  QTest::newRow("1.5e20 comma") << QChar(u',') << 1.5e20 << QByteArray("1,5E20");
  QTest::newRow("0.00001") << QChar(u'.') << 0.00001 << QByteArray("0.00001");
  QTest::newRow("1e-6") << QChar(u'.') << 1e-6 << QByteArray("1E-6");
  QTest::newRow("-2.5e-7") << QChar(u'.') << -2.5e-7 << QByteArray("-2.5E-7");
  QTest::newRow("1234.5") << QChar(u'.') << 1234.5 << QByteArray("1234.5");
  QTest::newRow("nan") << QChar(u'.') << std::nan("") << QByteArray("NAN");
  QTest::newRow("inf") << QChar(u'.') << std::numeric_limits<double>::infinity() << QByteArray("INF");
}

void TestIniFile::formatFloat() {
  QFETCH(QChar, separator);
  QFETCH(double, value);
  QFETCH(QByteArray, text);
  IniFile ini;
  ini.SetDecimalSeparator(separator);
  QCOMPARE(ini.FormatFloat(value), text);
}

void TestIniFile::floatRoundTrip() {
  // Every single-precision value survives writing with 15 digits and narrowing on reading.
  IniFile ini;
  ini.SetDecimalSeparator(QLatin1Char('.'));
  const float values[] = {0.1f, 1.0f / 3.0f, 3.4028235e38f, 1.17549435e-38f, -0.0625f, 123.456f, 1e-5f, 7e-8f};
  for (float v : values) {
    ini.WriteFloat(QStringLiteral("S"), QStringLiteral("K"), double(v));
    const float back = float(ini.ReadFloat(QStringLiteral("S"), QStringLiteral("K"), 99.0));
    QCOMPARE(back, v);
  }
}

void TestIniFile::writeSemantics_data() {
  QTest::addColumn<QByteArray>("before");
  QTest::addColumn<QString>("section");
  QTest::addColumn<QString>("key");
  QTest::addColumn<QByteArray>("after");
  QTest::newRow("into empty file") << QByteArray() << "S" << "K" << QByteArray("[S]\r\nK=v\r\n");
  QTest::newRow("replace in place") << QByteArray("[S]\r\nA=1\r\nK=old\r\nB=2\r\n") << "S" << "K"
                                    << QByteArray("[S]\r\nA=1\r\nK=v\r\nB=2\r\n");
  QTest::newRow("replace case-blind") << QByteArray("[s]\r\nk=old\r\n") << "S" << "K" << QByteArray("[s]\r\nK=v\r\n");
  QTest::newRow("replace first of two") << QByteArray("[S]\r\nK=1\r\nK=2\r\n") << "S" << "K"
                                        << QByteArray("[S]\r\nK=v\r\nK=2\r\n");
  QTest::newRow("append to section") << QByteArray("[S]\r\nA=1\r\n[T]\r\nB=2\r\n") << "S" << "K"
                                     << QByteArray("[S]\r\nA=1\r\nK=v\r\n[T]\r\nB=2\r\n");
  QTest::newRow("append before blank lines") << QByteArray("[S]\r\nA=1\r\n\r\n[T]\r\n") << "S" << "K"
                                             << QByteArray("[S]\r\nA=1\r\nK=v\r\n\r\n[T]\r\n");
  QTest::newRow("empty section") << QByteArray("[S]\r\n[T]\r\n") << "S" << "K" << QByteArray("[S]\r\nK=v\r\n[T]\r\n");
  QTest::newRow("new section at end") << QByteArray("[T]\r\nB=2\r\n") << "S" << "K"
                                      << QByteArray("[T]\r\nB=2\r\n[S]\r\nK=v\r\n");
  QTest::newRow("LF file becomes CR LF") << QByteArray("[S]\nA=1\n") << "S" << "K" << QByteArray("[S]\r\nA=1\r\nK=v\r\n");
}

void TestIniFile::writeSemantics() {
  QFETCH(QByteArray, before);
  QFETCH(QString, section);
  QFETCH(QString, key);
  QFETCH(QByteArray, after);
  IniFile ini;
  ini.Parse(before);
  ini.WriteBytes(section, key, "v");
  QCOMPARE(ini.ToBytes(), after);
  QCOMPARE(ini.ReadBytes(section, key), QByteArray("v"));
}

void TestIniFile::writeFreshInOrder() {
  IniFile ini;
  ini.WriteInteger(QStringLiteral("A"), QStringLiteral("one"), 1);
  ini.WriteBool(QStringLiteral("B"), QStringLiteral("flag"), true);
  ini.WriteInteger(QStringLiteral("A"), QStringLiteral("two"), -2);
  ini.WriteBool(QStringLiteral("B"), QStringLiteral("off"), false);
  ini.WriteString(QStringLiteral("A"), QStringLiteral("ONE"), QStringLiteral("uno"));
  QCOMPARE(ini.ToBytes(), QByteArray("[A]\r\nONE=uno\r\ntwo=-2\r\n[B]\r\nflag=1\r\noff=0\r\n"));
}

void TestIniFile::writeKeepsOtherLines() {
  IniFile ini;
  ini.Parse("; comment\r\n[S]\r\n; inside\r\nA = 1\r\n\r\n");
  ini.WriteInteger(QStringLiteral("S"), QStringLiteral("B"), 2);
  QCOMPARE(ini.ToBytes(), QByteArray("; comment\r\n[S]\r\n; inside\r\nA = 1\r\nB=2\r\n\r\n"));
  // Indexes stay right after an insertion before other lines.
  ini.WriteInteger(QStringLiteral("S"), QStringLiteral("A"), 9);
  QCOMPARE(ini.ToBytes(), QByteArray("; comment\r\n[S]\r\n; inside\r\nA=9\r\nB=2\r\n\r\n"));
  ini.WriteInteger(QStringLiteral("S"), QStringLiteral("B"), 3);
  QCOMPARE(ini.ReadInteger(QStringLiteral("S"), QStringLiteral("B"), 0), 3);
  QCOMPARE(ini.ToBytes(), QByteArray("; comment\r\n[S]\r\n; inside\r\nA=9\r\nB=3\r\n\r\n"));
}

void TestIniFile::writeValueWithLineBreak() {
  IniFile ini;
  ini.WriteBytes(QStringLiteral("S"), QStringLiteral("K"), QByteArray("a\r\n[X]\r\nb"));
  ini.WriteInteger(QStringLiteral("S"), QStringLiteral("L"), 1);
  IniFile back;
  back.Parse(ini.ToBytes());
  QVERIFY(!back.HasSection(QStringLiteral("X")));
  QCOMPARE(back.ReadBytes(QStringLiteral("S"), QStringLiteral("K")), QByteArray("a  [X]  b"));
  QCOMPARE(back.ReadInteger(QStringLiteral("S"), QStringLiteral("L"), 0), 1);
}

void TestIniFile::windows1252() {
  IniFile ini;
  ini.Parse("[S]\r\nK=Z\xE4hler \x80\r\n");
  QCOMPARE(ini.ReadString(QStringLiteral("S"), QStringLiteral("K")), QStringLiteral("Z\u00E4hler \u20AC"));
  QCOMPARE(ini.ReadBytes(QStringLiteral("S"), QStringLiteral("K")), QByteArray("Z\xE4hler \x80"));
  ini.WriteString(QStringLiteral("S"), QStringLiteral("T"), QStringLiteral("\u00FC\u2122"));
  QVERIFY(ini.ToBytes().endsWith("T=\xFC\x99\r\n"));
}

void TestIniFile::loadMissingFile() {
  QTemporaryDir dir;
  IniFile ini;
  ini.Parse("[S]\r\nK=1\r\n");
  QString error;
  QVERIFY(ini.Load(dir.filePath(QStringLiteral("none.ini")), &error));
  QVERIFY(error.isEmpty());
  QVERIFY(!ini.HasSection(QStringLiteral("S")));
  QVERIFY(ini.ToBytes().isEmpty());
}

void TestIniFile::saveAndLoad() {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("a.ini"));
  IniFile ini;
  ini.WriteInteger(QStringLiteral("Form"), QStringLiteral("Width"), 990);
  ini.WriteString(QStringLiteral("CONFIG"), QStringLiteral("PATH"), QStringLiteral("/home/x/cfg"));
  QString error;
  QVERIFY(ini.Save(path, &error));
  QCOMPARE(ReadAll(path), QByteArray("[Form]\r\nWidth=990\r\n[CONFIG]\r\nPATH=/home/x/cfg\r\n"));
  IniFile back;
  QVERIFY(back.Load(path, &error));
  QCOMPARE(back.ReadInteger(QStringLiteral("form"), QStringLiteral("width"), 0), 990);
  QCOMPARE(back.ToBytes(), ini.ToBytes());
  // No temporary files stay behind.
  QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("a.ini")});
}

void TestIniFile::saveIntoReadOnlyFolderKeepsOldFile() {
  QTemporaryDir dir;
  const QString folder = dir.filePath(QStringLiteral("ro"));
  QVERIFY(QDir().mkdir(folder));
  const QString path = folder + QStringLiteral("/keep.ini");
  const QByteArray old = "[Old]\r\nValue=1\r\n";
  QVERIFY(WriteAll(path, old));
  IniFile ini;
  ini.WriteInteger(QStringLiteral("New"), QStringLiteral("Value"), 2);
  QString error;
  {
    test::ReadOnlyFolder lock(folder);
    if (!lock.Active()) QSKIP("this system lets the test write into any folder");
    QVERIFY(!ini.Save(path, &error));
  }
  QVERIFY(error.contains(QFileInfo(path).absoluteFilePath()));
  QVERIFY(error.startsWith(QStringLiteral("Unable to")));
  QCOMPARE(ReadAll(path), old);
}

void TestIniFile::saveOntoDirectoryFails() {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("taken"));
  QVERIFY(QDir().mkdir(path));
  QVERIFY(WriteAll(path + QStringLiteral("/inside"), "x"));
  IniFile ini;
  ini.WriteInteger(QStringLiteral("S"), QStringLiteral("K"), 1);
  QString error;
  QVERIFY(!ini.Save(path, &error));
  QVERIFY(error.startsWith(QStringLiteral("Unable to")));
  QVERIFY(QFileInfo(path).isDir());
  QCOMPARE(ReadAll(path + QStringLiteral("/inside")), QByteArray("x"));
}

void TestIniFile::saveIntoMissingFolderFails() {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("no/such/folder/a.ini"));
  IniFile ini;
  QString error;
  QVERIFY(!ini.Save(path, &error));
  QCOMPARE(error, QStringLiteral("Unable to create file: '%1'").arg(path));
}

QTEST_GUILESS_MAIN(TestIniFile)
#include "test_ini_file.moc"

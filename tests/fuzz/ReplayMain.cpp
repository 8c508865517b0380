// Runs one fuzz entry point over its seed corpus and its regression inputs.
// An input that breaks an invariant aborts inside the entry point, so the test
// fails with the check's message and the file last started (printed below).

#include "FuzzSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <cstdio>

class TestFuzzReplay : public QObject {
    Q_OBJECT

    static QFileInfoList Inputs(const char* folder) {
        return QDir(QString::fromUtf8(folder)).entryInfoList(QDir::Files, QDir::Name);
    }

private Q_SLOTS:
    void corpusIsThere() {
        // An empty or missing corpus would let the replay pass without testing anything.
        QVERIFY2(Inputs(RELVANE_FUZZ_CORPUS).size() >= 3, RELVANE_FUZZ_CORPUS);
    }

    void replay_data() {
        QTest::addColumn<QString>("path");
        for (const char* folder : {RELVANE_FUZZ_CORPUS, RELVANE_FUZZ_REGRESSIONS}) {
            for (const QFileInfo& file : Inputs(folder)) {
                const QString name = file.dir().dirName() + QLatin1Char('/') + file.fileName();
                QTest::newRow(qPrintable(name)) << file.absoluteFilePath();
            }
        }
    }

    void replay() {
        QFETCH(QString, path);
        QFile file(path);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
        const QByteArray bytes = file.readAll();
        std::fprintf(stderr, "replaying %s\n", qPrintable(path));
        QCOMPARE(LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                        std::size_t(bytes.size())),
                 0);
    }
};

QTEST_GUILESS_MAIN(TestFuzzReplay)
#include "ReplayMain.moc"

// Saves one kind of file over and over with the old and the new content in turn, through
// the tool's own code, until it is killed. Used by test_killed_save; not installed.
//
//   save_child KIND PATH              save the old content once, print "ready", then
//                                     new, old, new, ... until killed
//   save_child KIND --reference OLD NEW   write each content once to its own file
//   save_child KIND --measure PATH    print the mean microseconds of one save
//
// KIND is config, eeprom or settings. Exits 2 on bad arguments, 1 when a save failed.

#include "SaveKinds.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

using namespace relvane::reliability;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() < 2) {
        std::fputs("usage: save_child KIND PATH | KIND --reference OLD NEW | KIND --measure PATH\n", stderr);
        return 2;
    }
    Saver saver(args.at(0));
    if (!saver.Known()) {
        std::fprintf(stderr, "save_child: unknown kind '%s'\n", qPrintable(args.at(0)));
        return 2;
    }
    if (args.at(1) == QLatin1String("--reference")) {
        if (args.size() != 4)
            return 2;
        return saver.Save(args.at(2), 0) && saver.Save(args.at(3), 1) ? 0 : 1;
    }
    if (args.at(1) == QLatin1String("--measure")) {
        if (args.size() != 3)
            return 2;
        constexpr int kSaves = 20;
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < kSaves; ++i)
            if (!saver.Save(args.at(2), i % 2))
                return 1;
        std::printf("%lld\n", static_cast<long long>(t.nsecsElapsed() / 1000 / kSaves));
        return 0;
    }
    const QString path = args.at(1);
    if (!saver.Save(path, 0))
        return 1;
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    for (int which = 1;; which ^= 1)
        if (!saver.Save(path, which))
            return 1;
}

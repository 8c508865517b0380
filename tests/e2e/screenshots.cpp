// e2e_screenshots OUTDIR: the documentation's screenshots, taken from the composed
// program connected to the simulated module: the "General" page with some outputs on
// and one faulty, the About window, and the device selection dialog.
//
//   xvfb-run -a -s "-screen 0 1400x1000x24" build/tests/e2e/e2e_screenshots docs/screenshots
//
// Without a display it runs on the offscreen platform.

#include "LiveRig.h"
#include "Shots.h"

#include "monitor/ui/AboutForm.h"

#include <QDir>
#include <QPixmap>
#include <QRadioButton>

#include <cstdio>
#include <cstdlib>

using namespace relvane;
using relvane::e2e::LiveRig;
using relvane::e2e::ModalScript;

namespace {

void Wait(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

// Waits up to ms for done(); false when it never held.
bool WaitFor(const std::function<bool()>& done, int ms = 10000)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        Wait(20);
    }
    return true;
}

bool Save(QWidget* w, const QString& path)
{
    const bool ok = w->grab().save(path, "PNG");
    std::printf("%s %s (%dx%d)\n", ok ? "wrote" : "could not write", qPrintable(path), w->width(), w->height());
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    RelvaneApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: e2e_screenshots OUTDIR\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.exists() && !QDir().mkpath(out.path())) {
        std::fprintf(stderr, "e2e_screenshots: cannot create %s\n", argv[1]);
        return 1;
    }

    LiveRig rig;
    // Restore points of this run only, never the user's own.
    QTemporaryDir data;
    rig.dataFolder = data.path();
    QString error;
    if (!rig.Start(&error)) {
        std::fprintf(stderr, "e2e_screenshots: %s\n", qPrintable(error));
        return 1;
    }
    bool ok = true;

    // The selection dialog, as it lists the simulator.
    TUSB_SelectForm& select = rig.Program().UsbSelectForm();
    {
        ModalScript script(
            &select, [&select] { return select.ListBox1()->count() > 0; },
            [&] {
                Wait(300);
                ok = Save(&select, out.filePath(QStringLiteral("usb_select.png"))) && ok;
                select.BtnCancelClick();
            });
        rig.Main().USB1Click();
        ok = !script.GaveUp() && ok;
    }

    const QString why = rig.ConnectThroughDialog();
    if (!why.isEmpty()) {
        std::fprintf(stderr, "e2e_screenshots: %s\n", qPrintable(why));
        return 1;
    }
    WaitFor([&] { return rig.Idle(); }, 60000);

    // Manual test with a few outputs on, one channel shorted, two inputs and a CAN input
    // active.
    rig.General().findChild<QRadioButton*>(QStringLiteral("RadioButtonManuel"))->click();
    WaitFor([&] { return rig.ChannelButton(3)->text() == QStringLiteral("Off"); });
    for (int ch : {3, 12, 16, 20, 22})
        rig.ChannelButton(ch)->click();
    for (const char* c : {"fault 5 gnd", "input 1 on", "input 4 on", "can 3 on", "current 12 14.5"})
        rig.Simulator().Command(QString::fromLatin1(c));
    ok = WaitFor([&] {
             return rig.ChannelButton(22)->text() == QStringLiteral("On")
                 && rig.StateLabel(5)->text() == QStringLiteral("-SHORT")
                 && rig.StateLabel(12)->text() == QStringLiteral("14.5 A");
         }) && ok;
    Wait(1000);
    ok = Save(&rig.Main(), out.filePath(QStringLiteral("general.png"))) && ok;

    // The About window once the module's version has come in.
    TAboutForm& about = rig.Program().AboutForm();
    auto* pcm = about.findChild<QLabel*>(QStringLiteral("LabelPCM_Version"));
    {
        ModalScript script(
            &about, [pcm] { return pcm->text() != QStringLiteral("---"); },
            [&] {
                Wait(300);
                ok = Save(&about, out.filePath(QStringLiteral("about.png"))) && ok;
                about.accept();
            });
        rig.Main().About1Click();
        ok = !script.GaveUp() && ok;
    }

    ok = relvane::e2e::ShotCompare(rig, out) && ok;
    ok = relvane::e2e::ShotTrend(rig, out) && ok;
    ok = relvane::e2e::ShotDbcPicker(rig, out) && ok;
    ok = relvane::e2e::ShotProblems(rig, out) && ok;
    ok = relvane::e2e::ShotHistory(rig, out) && ok;
    return ok ? EXIT_SUCCESS : EXIT_FAILURE;
}

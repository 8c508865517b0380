#include "Shots.h"

#include "LiveRig.h"
#include "app/MainForm.h"
#include "can/ui/CanInputPage.h"
#include "can/ui/DbcPickerForm.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <cstdio>

namespace relvane::e2e {

namespace {

// A small vehicle database: standard and extended identifiers, Intel and Motorola, a
// multiplexed message, a signal on part of a byte.
const char kVehicle[] =
    "VERSION \"\"\n\nBU_: ECU ABS BCM Dash\n\n"
    "BO_ 257 BrakeStatus: 8 ABS\n"
    " SG_ BrakePedal : 0|8@1+ (0.4,0) [0|100] \"%\" Dash\n"
    " SG_ BrakePressure : 15|16@0+ (0.1,0) [0|250] \"bar\" Dash\n"
    " SG_ AbsActive : 32|1@1+ (1,0) [0|1] \"\" Dash\n\n"
    "BO_ 421 EngineData: 8 ECU\n"
    " SG_ EngineSpeed : 0|16@1+ (0.25,0) [0|8000] \"rpm\" Dash\n"
    " SG_ CoolantTemp : 23|8@0- (1,-40) [-40|87] \"\xC2\xB0" "C\" Dash\n"
    " SG_ OilPressure : 24|8@1+ (0.05,0) [0|12] \"bar\" Dash\n\n"
    "BO_ 768 Gearbox: 8 ECU\n"
    " SG_ Page M : 8|8@1+ (1,0) [0|255] \"\" Dash\n"
    " SG_ GearSelected m3 : 16|8@1+ (1,0) [0|8] \"\" Dash\n"
    " SG_ OutputTorque m4 : 31|16@0- (0.5,0) [-1000|1000] \"Nm\" Dash\n"
    " SG_ OilTemp m4 : 40|8@1+ (1,-40) [-40|150] \"\xC2\xB0" "C\" Dash\n\n"
    "BO_ 1056 Lights: 4 BCM\n"
    " SG_ HeadlightRequest : 0|2@1+ (1,0) [0|3] \"\" Dash\n"
    " SG_ HazardSwitch : 8|8@1+ (1,0) [0|1] \"\" Dash\n\n"
    "BO_ 2566844926 EngineHours: 8 ECU\n"
    " SG_ Hours : 0|32@1+ (0.05,0) [0|210554060] \"h\" Dash\n\n"
    "CM_ SG_ 768 OutputTorque \"Torque at the gearbox output shaft\";\n"
    "VAL_ 768 GearSelected 0 \"Neutral\" 7 \"Reverse\" ;\n";

}  // namespace

// "From DBC…" on the CAN Inputs page for CAN input 5, the gearbox searched for and its
// multiplexed output torque chosen; the window is cancelled, so nothing changes.
bool ShotDbcPicker(LiveRig& rig, const QDir& out)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("vehicle.dbc"));
    QFile file(path);
    if (!dir.isValid() || !file.open(QIODevice::WriteOnly) || file.write(kVehicle) <= 0) {
        std::fprintf(stderr, "e2e_screenshots: no vehicle database for the picker\n");
        return false;
    }
    file.close();

    rig.Main().Notebook()->setCurrentIndex(PAGE_CAN_INPUTS);
    auto* page = rig.Main().findChild<TCanInputPage*>();
    page->SelectCanInput(4);
    rig.DialogBoxes().QueueFile(path);

    bool saved = false;
    QElapsedTimer clock;
    clock.start();
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* picker = qobject_cast<TDbcPickerForm*>(QApplication::activeModalWidget());
        if (!picker) {
            if (clock.elapsed() > 8000 && QApplication::activeModalWidget())
                QApplication::activeModalWidget()->close();
            return;
        }
        poll.stop();
        picker->findChild<QLineEdit*>(QStringLiteral("EditDbcSearch"))->setText(QStringLiteral("gear"));
        picker->ApplySearch();
        picker->SelectSignal(QStringLiteral("Gearbox.OutputTorque"));
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 500)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        const QString target = out.filePath(QStringLiteral("dbc_picker.png"));
        saved = picker->grab().save(target, "PNG");
        std::printf("%s %s (%dx%d)\n", saved ? "wrote" : "could not write", qPrintable(target), picker->width(),
                    picker->height());
        picker->reject();
    });
    poll.start();
    page->BtnFromDbcClick();
    poll.stop();
    if (!saved)
        std::fprintf(stderr, "e2e_screenshots: the picker did not show\n");
    return saved;
}

}  // namespace relvane::e2e

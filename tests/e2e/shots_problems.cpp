#include "Shots.h"

#include "LiveRig.h"

#include "config/ui/ProblemsPanel.h"

#include <QTabWidget>
#include <QTreeWidget>

#include <cstdio>

namespace relvane::e2e {

// The main window with the Problems panel listing a few problems made in the window: a virtual
// input that depends on itself, an output on a CAN input with no data byte, crossed low-battery
// thresholds and an exported output nothing switches. The configuration shown is put back
// afterwards for the shots that follow.
bool ShotProblems(LiveRig& rig, const QDir& out)
{
    ConfigModel& shown = rig.Main().Model();
    const OutputConfig out9 = shown.Output(9);
    const VirtualInputConfig virtual3 = shown.VirtualInput(3);
    const LowBatteryConfig lowBattery = shown.LowBattery();
    const CanExportConfig export2 = shown.CanExport(2);

    shown.ModifyOutput(9, [](OutputConfig& o) { o.NAME = "Brake light"; o.TRIGGER = 6; });
    shown.ModifyVirtualInput(3, [](VirtualInputConfig& v) { v.VIRTUAL_NAME = "Latch"; v.CHANNEL_1_Index = 2; v.CHANNEL_2_Index = 78 + 3; v.OPERATOR_1_Index = 1; });
    shown.ModifyLowBattery([](LowBatteryConfig& b) { b.LOW_TRIG = QStringLiteral("12.8"); b.UPPER_TRIG = QStringLiteral("12.5"); });
    shown.ModifyCanExport(2, [](CanExportConfig& e) { e.ENABLED = true; e.CAN_ID = 0x310; e.REFRESS_TIME = 100; e.CHANNEL_INDEX_[3] = 30; });

    TProblemsPanel& panel = rig.Program().ProblemsPanel();
    panel.Recheck();
    rig.Main().Notebook()->setCurrentIndex(PAGE_OUTPUTS);
    panel.ListProblems()->setCurrentItem(panel.ListProblems()->topLevelItem(1));
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 800) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    const QString path = out.filePath(QStringLiteral("problems.png"));
    const bool ok = panel.Problems().size() >= 4 && rig.Main().grab().save(path, "PNG");
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));

    shown.SetOutput(9, out9);
    shown.SetVirtualInput(3, virtual3);
    shown.ModifyLowBattery([&](LowBatteryConfig& b) { b = lowBattery; });
    shown.SetCanExport(2, export2);
    rig.Main().Notebook()->setCurrentIndex(PAGE_GENERAL);
    return ok;
}

}  // namespace relvane::e2e

#include "Shots.h"

#include "LiveRig.h"

#include "app/CompareCommand.h"
#include "config/ui/CompareForm.h"

#include <QAction>
#include <QPushButton>
#include <QTreeWidget>

#include <cstdio>

namespace relvane::e2e {

namespace {

void Pause(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

}  // namespace

// The compare window after comparing with the module, with a few values changed in the window
// first: a name, a trigger, a current limit, a CAN input and a CAN export bit. The configuration
// shown is put back afterwards for the shots that follow.
bool ShotCompare(LiveRig& rig, const QDir& out)
{
    ConfigModel& shown = rig.Main().Model();
    const OutputConfig out3 = shown.Output(3), out5 = shown.Output(5), out7 = shown.Output(7);
    const CanInputConfig can4 = shown.CanInput(4);
    const CanExportConfig export2 = shown.CanExport(2);

    shown.ModifyOutput(5, [](OutputConfig& o) { o.NAME = "High beam"; });
    shown.ModifyOutput(3, [](OutputConfig& o) { o.TRIGGER = o.TRIGGER == 12 ? 13 : 12; });
    shown.ModifyOutput(7, [](OutputConfig& o) { o.MAX_CURRENT = NumberOrZero(o.MAX_CURRENT) + 25; });
    shown.ModifyCanInput(4, [](CanInputConfig& c) { c.CAN_ID_ON = 0x2A1; });
    shown.ModifyCanExport(2, [](CanExportConfig& e) { e.CHANNEL_INDEX_[10] = 5; });

    auto* entry = rig.Main().findChild<QAction*>(QStringLiteral("CompareConfiguration1"));
    bool ok = entry && entry->isEnabled();
    if (ok) {
        entry->trigger();
        TCompareForm* w = rig.Program().Compare().Window();
        ok = w != nullptr;
        if (ok) {
            w->findChild<QPushButton*>(QStringLiteral("BtnCompareModule"))->click();
            ok = w->HasComparison();
            if (QTreeWidgetItem* row = w->RowItem(QStringLiteral("OUTPUT"), QStringLiteral("MAX_CURRENT7")))
                w->TreeDifferences()->setCurrentItem(row);
            Pause(500);
            const QString path = out.filePath(QStringLiteral("compare.png"));
            const bool saved = w->grab().save(path, "PNG");
            std::printf("%s %s (%dx%d)\n", saved ? "wrote" : "could not write", qPrintable(path), w->width(),
                        w->height());
            ok = saved && ok;
            w->close();
        }
    }
    if (!ok)
        std::fprintf(stderr, "e2e_screenshots: the compare window did not compare with the module\n");

    shown.SetOutput(3, out3);
    shown.SetOutput(5, out5);
    shown.SetOutput(7, out7);
    shown.SetCanInput(4, can4);
    shown.SetCanExport(2, export2);
    return ok;
}

}  // namespace relvane::e2e

#include "Shots.h"

#include "LiveRig.h"

#include "app/ConfigKeeper.h"
#include "app/QtDialogs.h"
#include "config/ConfigHistory.h"
#include "config/ui/HistoryForm.h"

#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QTreeWidget>

#include <cstdio>

namespace relvane::e2e {

namespace {

void Settle(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

bool Saved(const QPixmap& picture, const QString& path)
{
    const bool ok = !picture.isNull() && picture.save(path, "PNG");
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
    return ok;
}

}  // namespace

// The Edit menu open after an edit on the Outputs page, the question before the automatic Read
// (as the program's own dialogs show it), and the History window with a few restore points. The
// rig keeps its restore points in its data folder; the edit is undone afterwards.
bool ShotHistory(LiveRig& rig, const QDir& out)
{
    TMainForm& main = rig.Main();
    ConfigKeeper& keeper = rig.Program().Keeper();
    if (!keeper.History())
        return false;
    bool ok = true;

    main.Notebook()->setCurrentIndex(PAGE_OUTPUTS);
    main.Model().ModifyOutput(5, [](OutputConfig& o) { o.DELAY = 25; });
    Settle(300);
    auto* edit = main.findChild<QMenu*>(QStringLiteral("Edit1"));
    const QRect title = main.menuBar()->actionGeometry(edit->menuAction());
    edit->popup(main.menuBar()->mapToGlobal(title.bottomLeft()));
    Settle(300);
    QPixmap window = main.grab();
    {
        QPainter p(&window);
        p.drawPixmap(main.mapFromGlobal(edit->mapToGlobal(QPoint(0, 0))), edit->grab());
    }
    edit->hide();
    ok = Saved(window, out.filePath(QStringLiteral("edit-menu.png"))) && ok;

    // The question as QtDialogs asks it; grabbed, then closed without an answer.
    QtDialogs boxes(&main);
    QPixmap prompt;
    QTimer::singleShot(400, &main, [&prompt] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            prompt = box->grab();
            box->reject();
        }
    });
    boxes.Choose(MessageKind::Question, ReplaceEditsText(),
                 {QStringLiteral("Read"), QStringLiteral("Keep"), QStringLiteral("Compare")}, QString());
    ok = Saved(prompt, out.filePath(QStringLiteral("read-prompt.png"))) && ok;

    // Restore points as an upload and a firmware program would add them, after the read.
    ConfigModel uploaded;
    uploaded.Assign(main.Model());
    keeper.History()->Add(HistoryEvent::Upload, uploaded, SimulatorDescription());
    keeper.History()->Add(HistoryEvent::Firmware, uploaded, SimulatorDescription());
    keeper.Undo().Undo();
    keeper.ShowHistory();
    THistoryForm* history = keeper.HistoryWindow();
    Settle(500);
    ok = history && history->List()->topLevelItemCount() >= 3 && ok;
    ok = history && Saved(history->grab(), out.filePath(QStringLiteral("history.png"))) && ok;
    if (history)
        history->close();
    main.Notebook()->setCurrentIndex(PAGE_GENERAL);
    return ok;
}

}  // namespace relvane::e2e

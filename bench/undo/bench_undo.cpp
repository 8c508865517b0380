// Undo of the configuration: the time of one edit step (the model's change, its recording and
// the step pushed), of one Undo, and the memory after 10,000 edits against the memory after
// the model and its history were set up. Median of many runs.

#include "config/ConfigBaselines.h"
#include "config/ConfigModel.h"
#include "config/ui/UndoHistory.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QUndoStack>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace relvane;

namespace {

// VmRSS of this process in KiB, or -1.
long ResidentKiB() {
  QFile f(QStringLiteral("/proc/self/status"));
  if (!f.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : f.readAll().split('\n'))
    if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').first().toLong();
  return -1;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ConfigModel model;
  UndoHistory undo(model);
  // The title's and the status bar's marks compare the whole model after every change too.
  ConfigBaselines marks(model);
  marks.SetModule(model);
  const long start = ResidentKiB();

  constexpr int kEdits = 10000;
  std::vector<double> edit;
  edit.reserve(kEdits);
  for (int i = 0; i < kEdits; ++i) {
    undo.BreakMerge();
    QElapsedTimer t;
    t.start();
    model.ModifyOutput(1 + i % 34, [i](OutputConfig& o) {
      o.DELAY = i % 250;
      o.NAME = "Output " + QByteArray::number(i);
    });
    edit.push_back(double(t.nsecsElapsed()) / 1e6);
  }
  const long after = ResidentKiB();

  std::vector<double> undone;
  for (int i = 0; i < 500 && undo.Stack().canUndo(); ++i) {
    QElapsedTimer t;
    t.start();
    undo.Undo();
    undone.push_back(double(t.nsecsElapsed()) / 1e6);
  }
  if (!marks.NotUploaded() || undone.empty()) {
    std::fprintf(stderr, "the edits left no trace\n");
    return 1;
  }
  std::printf("undo_edit_step: %.3f ms (target < 1 ms)\n", Median(edit));
  std::printf("undo_undo: %.3f ms (target < 5 ms)\n", Median(undone));
  std::printf("undo_memory_after_10000_edits: %.1f MiB (target < 20 MiB)\n", double(after - start) / 1024.0);
  return 0;
}

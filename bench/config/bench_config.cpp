// Load and save of a full configuration file (every block filled), as the Open and Save commands
// do them: file to model, and model to a file replaced atomically; and the configuration checks,
// which the Problems panel runs after every pause in editing. Median of many runs.

#include "config/ConfigChecks.h"
#include "config/ConfigFile.h"
#include "config/ConfigModel.h"
#include "config/IniFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace relvane;

namespace {

void Fill(ConfigModel& m) {
  ConfigModel::UpdateBatch batch(m);
  for (int n = 1; n <= kInputCount; ++n)
    m.ModifyInput(n, [n](InputConfig& r) { r.NAME = "Input " + QByteArray::number(n); r.MODE = n % 2; });
  for (int n = 1; n <= kOutputCount; ++n)
    m.ModifyOutput(n, [n](OutputConfig& r) {
      r.NAME = "Output " + QByteArray::number(n);
      r.TRIGGER = PositionToTriggerCode(n);
      r.TRIGLEVEL = 1;
      r.DELAY = n;
      r.MAX_CURRENT = 100 + n;
      r.PEAK_TIME = 20;
      r.LOW_CURRENT = 5;
      r.LOW_CURRENT_TIME = 10;
      r.ON_TIME = 0;
    });
  for (int n = 1; n <= kCanInputCount; ++n)
    m.ModifyCanInput(n, [n](CanInputConfig& r) {
      r.CAN_ID_ON = 0x100 + n;
      r.CAN_NAME = "CAN input " + QByteArray::number(n);
      r.MULTIPLICATOR_ = 0.1f * float(n);
      r.CAL_OFFSET_ = int8_t(-n);
      r.DIMENSION_NAME = "bar";
    });
  for (int n = 1; n <= kVirtualInputCount; ++n)
    m.ModifyVirtualInput(n, [n](VirtualInputConfig& r) { r.CHANNEL_1_Index = uint8_t(n); r.VIRTUAL_NAME = "Logic " + QByteArray::number(n); });
  for (int n = 1; n <= kFlashCount; ++n)
    m.ModifyFlash(n, [n](FlashConfig& r) { r.FLASH_NAME = "Flash " + QByteArray::number(n); r.CHANNEL_LIST = {0, 1, 255, 255}; });
  for (int x = 1; x <= kCanExportCount; ++x)
    m.ModifyCanExport(x, [x](CanExportConfig& r) {
      r.CAN_ID = 0x300 + x;
      for (int k = 0; k < CanExportEntryCount(x); ++k) r.CHANNEL_INDEX_[std::size_t(k)] = k % CanExportListSize(x);
    });
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTemporaryDir dir;
  if (!dir.isValid()) {
    std::fprintf(stderr, "no temporary folder\n");
    return 1;
  }
  const QString path = dir.filePath(QStringLiteral("full.cfg"));
  ConfigModel source;
  Fill(source);
  QString error;
  if (!SaveConfigFile(source, path, &error)) {
    std::fprintf(stderr, "%s\n", qPrintable(error));
    return 1;
  }

  constexpr int kRuns = 200;
  std::vector<double> load;
  std::vector<double> save;
  std::vector<double> encode;
  std::vector<double> check;
  ConfigModel target;
  for (int i = 0; i < kRuns; ++i) {
    QElapsedTimer t;
    t.start();
    if (!LoadConfigFile(target, path, &error)) return 1;
    load.push_back(double(t.nsecsElapsed()) / 1e6);
    t.start();
    if (!SaveConfigFile(source, path, &error)) return 1;
    save.push_back(double(t.nsecsElapsed()) / 1e6);
    t.start();
    IniFile ini;
    WriteConfig(source, ini);
    const QByteArray bytes = ini.ToBytes();
    encode.push_back(double(t.nsecsElapsed()) / 1e6);
    if (bytes.isEmpty()) return 1;
    t.start();
    const QList<ConfigProblem> problems = CheckConfig(source);
    check.push_back(double(t.nsecsElapsed()) / 1e6);
    if (problems.isEmpty()) return 1;  // the filled model has some (its export entries)
  }
  if (target.CanInput(32).CAN_NAME != source.CanInput(32).CAN_NAME) {
    std::fprintf(stderr, "file read back differs\n");
    return 1;
  }
  std::printf("config_load: %.3f ms (target < 5 ms)\n", Median(load));
  // The save includes the flush to disk of the temporary file and its rename; the disk's share
  // varies with the machine's load, so the text building alone is given too.
  std::printf("config_save: %.3f ms (target < 5 ms)\n", Median(save));
  std::printf("config_save_text: %.3f ms (target < 5 ms)\n", Median(encode));
  std::printf("config_check: %.3f ms (target < 5 ms)\n", Median(check));
  return 0;
}

// Configuration files in memory: the configuration read from an INI text, as
// LoadConfigFile does once the file's bytes are read, and written back, as
// SaveConfigFile does before they are written. (The INI text itself is fuzzed by
// ini_file; the file reads and writes around both are plain whole-file I/O.)
//
// Input: the file's bytes. Beyond surviving them, after one save a configuration
// loaded and saved again gives the same file. Whatever the reader accepts is also
// checked as a whole, and every problem is written out as the window and the
// command line show it.

#include "FuzzSupport.h"

#include "config/ConfigChecks.h"
#include "config/ConfigFile.h"
#include "config/ConfigModel.h"
#include "config/IniFile.h"

#include <QByteArray>

using namespace relvane;
using namespace relvane::fuzzing;

namespace {

IniFile Empty() {
    IniFile ini;
    ini.SetDecimalSeparator(QLatin1Char('.'));
    return ini;
}

QByteArray Saved(const ConfigModel& model) {
    IniFile ini = Empty();
    WriteConfig(model, ini);
    return ini.ToBytes();
}

// Loads a saved file into a fresh model and saves that.
QByteArray Resaved(const QByteArray& file) {
    IniFile ini = Empty();
    ini.Parse(file);
    ConfigModel model;
    ReadConfig(model, ini);
    return Saved(model);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    EnsureApplication();
    IniFile ini = Empty();
    ini.Parse(QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)));
    ConfigModel model;
    ReadConfig(model, ini);
    const QList<ConfigProblem> problems = CheckConfig(model);
    for (const ConfigProblem& problem : problems) FUZZ_CHECK(!ProblemLine(problem).isEmpty());
    FUZZ_CHECK(ErrorCount(problems) + WarningCount(problems) == problems.size());
    (void)ProblemsJson(problems);
    // The first save may normalise what the file held (a CR inside a value is
    // written as a blank, which the reader then trims); after that a save, a
    // load and a save again must give the same file.
    const QByteArray first = Resaved(Saved(model));
    FUZZ_CHECK(Resaved(first) == first);
    return 0;
}

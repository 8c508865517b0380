// Configuration files: the INI reader and the configuration read from it, as
// LoadConfigFile does after reading the file's bytes.
//
// Input: the file's bytes. Beyond surviving them, two fixed points must hold:
// the INI text written from a parsed file parses back to the same text, and,
// after one save, a configuration loaded and saved again gives the same file.

#include "FuzzSupport.h"

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
    const QByteArray content(reinterpret_cast<const char*>(data), qsizetype(size));

    IniFile ini;
    ini.SetDecimalSeparator(QLatin1Char('.'));
    ini.Parse(content);

    // The INI text itself: what the writer makes of a parsed file reads back unchanged.
    const QByteArray text = ini.ToBytes();
    IniFile again;
    again.SetDecimalSeparator(QLatin1Char('.'));
    again.Parse(text);
    FUZZ_CHECK(again.ToBytes() == text);

    ConfigModel model;
    ReadConfig(model, ini);
    // The first save may normalise what the file held (a CR inside a value is
    // written as a blank, which the reader then trims); after that a save, a
    // load and a save again must give the same file.
    const QByteArray first = Resaved(Saved(model));
    FUZZ_CHECK(Resaved(first) == first);
    return 0;
}

// Configuration files: the INI reader and the configuration read from it, as
// LoadConfigFile does after reading the file's bytes.
//
// Input: the file's bytes. Beyond surviving them, two fixed points must hold:
// the INI text written from a parsed file parses back to the same text, and a
// configuration saved, loaded and saved again gives the same file.

#include "FuzzSupport.h"

#include "config/ConfigFile.h"
#include "config/ConfigModel.h"
#include "config/IniFile.h"

#include <QByteArray>

using namespace relvane;
using namespace relvane::fuzzing;

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

    IniFile saved;
    saved.SetDecimalSeparator(QLatin1Char('.'));
    WriteConfig(model, saved);
    const QByteArray first = saved.ToBytes();

    IniFile reloaded;
    reloaded.SetDecimalSeparator(QLatin1Char('.'));
    reloaded.Parse(first);
    ConfigModel model2;
    ReadConfig(model2, reloaded);
    IniFile savedAgain;
    savedAgain.SetDecimalSeparator(QLatin1Char('.'));
    WriteConfig(model2, savedAgain);
    FUZZ_CHECK(savedAgain.ToBytes() == first);
    return 0;
}

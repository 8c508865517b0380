// Intel HEX images as HEXFile::Read takes them from a file.
//
// Input: the file's bytes. A read either succeeds or throws ErrorMsg (nothing
// else may escape), and after a successful read the range it reports lies in
// the image and no byte outside it was touched.

#include "FuzzSupport.h"

#include "firmware/ErrorMsg.h"
#include "firmware/HEXFile.h"

#include <QDir>
#include <QFile>

using namespace relvane;
using namespace relvane::fuzzing;

namespace {

QString ImagePath() {
    static const QString path = [] {
        const QString folder = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm")
                                                                         : QDir::tempPath();
        return QDir(folder).filePath(
            QStringLiteral("relvane-fuzz-%1.hex").arg(QCoreApplication::applicationPid()));
    }();
    return path;
}

constexpr std::int32_t kImageSize = 0x20000;  // the firmware windows' image
constexpr std::uint8_t kFill = 0x5A;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    EnsureApplication();
    {
        QFile f(ImagePath());
        FUZZ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(f.write(reinterpret_cast<const char*>(data), qint64(size)) == qint64(size));
    }
    HEXFile image(kImageSize, kFill);
    try {
        image.Read(ImagePath());
    } catch (const ErrorMsg& e) {
        FUZZ_CHECK(!e.Message().isEmpty());
        return 0;
    }
    if (image.start > image.end) {
        // No data record: nothing written at all.
        for (std::int32_t a = 0; a < kImageSize; ++a) FUZZ_CHECK(image.Data()[a] == kFill);
        return 0;
    }
    FUZZ_CHECK(image.end < std::uint32_t(kImageSize));
    for (std::uint32_t a = 0; a < image.start; ++a) FUZZ_CHECK(image.Data()[a] == kFill);
    for (std::uint32_t a = image.end + 1; a < std::uint32_t(kImageSize); ++a) FUZZ_CHECK(image.Data()[a] == kFill);
    return 0;
}

// Intel HEX images as HEXFile::Read takes them, from memory (reading a path
// opens the file and reads it the same way).
//
// Input: the file's bytes. A read either succeeds or throws ErrorMsg (nothing
// else may escape), and after a successful read the range it reports lies in
// the image and no byte outside it was touched.

#include "FuzzSupport.h"

#include "firmware/ErrorMsg.h"
#include "firmware/HEXFile.h"

#include <QBuffer>

#include <cstring>
#include <memory>

using namespace relvane;
using namespace relvane::fuzzing;

namespace {

constexpr std::int32_t kImageSize = 0x20000;  // the firmware windows' image
constexpr std::uint8_t kFill = 0x5A;

// True when bytes [from, to) of the image all hold the fill.
bool Untouched(const HEXFile& image, std::uint32_t from, std::uint32_t to) {
    static const std::unique_ptr<std::uint8_t[]> fill = [] {
        std::unique_ptr<std::uint8_t[]> f(new std::uint8_t[kImageSize]);
        std::memset(f.get(), kFill, kImageSize);
        return f;
    }();
    return from >= to || std::memcmp(image.Data() + from, fill.get(), to - from) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    EnsureApplication();
    QByteArray content = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer in(&content);
    FUZZ_CHECK(in.open(QIODevice::ReadOnly));
    // One image for all inputs: the fill resets it wholly, and a read sets its range
    // before anything else (a fresh 128 KiB image per input cost more than the read).
    static HEXFile image(kImageSize, kFill);
    image.Fill(kFill);
    try {
        image.Read(in);
    } catch (const ErrorMsg& e) {
        FUZZ_CHECK(!e.Message().isEmpty());
        return 0;
    }
    if (image.start > image.end) {
        // No data record: nothing written at all.
        FUZZ_CHECK(Untouched(image, 0, kImageSize));
        return 0;
    }
    FUZZ_CHECK(image.end < std::uint32_t(kImageSize));
    FUZZ_CHECK(Untouched(image, 0, image.start));
    FUZZ_CHECK(Untouched(image, image.end + 1, kImageSize));
    return 0;
}

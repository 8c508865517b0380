#include "firmware/HEXFile.h"

#include "firmware/ErrorMsg.h"
#include "firmware/Utility.h"

#include <QFile>

#include <algorithm>
#include <cstring>
#include <new>
#include <string_view>

namespace relvane {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Whitespace-separated tokens from a device, read in chunks.
class TokenReader {
public:
    explicit TokenReader(QIODevice& in) : in_(in) {}

    // The next token, and whether a whitespace character followed it. False when
    // the file holds no further token.
    bool Next(std::string& token, bool& followedByBlank) {
        token.clear();
        int c = Get();
        while (c >= 0 && IsBlank(char(c))) c = Get();
        if (c < 0) return false;
        while (c >= 0 && !IsBlank(char(c))) {
            token.push_back(char(c));
            c = Get();
        }
        followedByBlank = c >= 0;
        return true;
    }

private:
    int Get() {
        if (pos_ == filled_) {
            const qint64 n = in_.read(chunk_, sizeof chunk_);
            if (n <= 0) return -1;
            filled_ = n;
            pos_ = 0;
        }
        return static_cast<unsigned char>(chunk_[pos_++]);
    }

    QIODevice& in_;
    char chunk_[65536];
    qint64 filled_ = 0;
    qint64 pos_ = 0;
};

QString Quoted(const char* prefix, const std::string& token) {
    return QLatin1String(prefix) + QString::fromLatin1(token.data(), qsizetype(token.size())) +
           QLatin1String(").");
}

std::uint32_t HexField(const std::string& token, std::size_t pos, std::size_t n) {
    return Utility::HexToNumber(std::string_view(token).substr(pos, n));
}

}  // namespace

HEXFile::HEXFile(std::int32_t size, std::uint8_t fill) {
    if (size <= 0) throw ErrorMsg(QStringLiteral("Cannot have zero-size HEX buffer!"));
    try {
        buffer_.reset(new std::uint8_t[std::size_t(size)]);
    } catch (const std::bad_alloc&) {
        throw ErrorMsg(QStringLiteral("Memory allocation failed for HEX-line-buffer!"));
    }
    size_ = size;
    Fill(fill);
}

void HEXFile::Fill(std::uint8_t value) {
    std::memset(buffer_.get(), value, std::size_t(size_));
}

std::uint8_t HEXFile::GetByte(std::int32_t address) const {
    if (address < 0 || address >= size_)
        throw ErrorMsg(QStringLiteral("Address outside legal range!"));
    return buffer_[std::size_t(address)];
}

void HEXFile::Read(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ErrorMsg(QStringLiteral("Error opening HEX file for input!"));
    Read(file);
}

void HEXFile::Read(QIODevice& in) {
    start = std::uint32_t(size_);
    end = 0;
    std::uint64_t base = 0;

    auto reader = std::make_unique<TokenReader>(in);  // 64 KiB chunk: off the stack
    std::string token;
    token.reserve(600);
    for (;;) {
        bool followedByBlank = false;
        // An end record counts only with a line break (any blank) after it.
        if (!reader->Next(token, followedByBlank) || !followedByBlank)
            throw ErrorMsg(QStringLiteral(
                "Premature end of file encountered! Make sure file contains an EOF-record."));
        if (ProcessRecord(token, base)) return;  // end record: nothing after it is read
    }
}

bool HEXFile::ProcessRecord(const std::string& token, std::uint64_t& base) {
    if (token.size() < 11)
        throw ErrorMsg(Quoted("Wrong HEX file format, missing fields! Line from file was: (", token));
    if (token[0] != ':')
        throw ErrorMsg(
            Quoted("Wrong HEX file format, does not start with colon! Line from file was: (", token));

    const std::uint32_t length = HexField(token, 1, 2);
    const std::uint32_t offset = HexField(token, 3, 4);
    const std::uint32_t type = HexField(token, 7, 2);
    if (token.size() < 11 + 2 * std::size_t(length))
        throw ErrorMsg(Quoted("Wrong HEX file format, missing fields! Line from file was: (", token));

    std::uint8_t data[255];
    std::uint32_t sum = length + (offset >> 8) + (offset & 0xFF) + type;
    for (std::uint32_t i = 0; i < length; ++i) {
        data[i] = std::uint8_t(HexField(token, 9 + 2 * i, 2));
        sum += data[i];
    }
    sum += HexField(token, 9 + 2 * length, 2);
    if ((sum & 0xFF) != 0)
        throw ErrorMsg(Quoted("Wrong checksum for HEX record! Line from file was: (", token));
    if (type > 5)
        throw ErrorMsg(Quoted("Unsupported HEX record format! Line from file was: (", token));

    switch (type) {
    case 0: {
        // Records reaching the image's last byte or beyond are skipped without a word;
        // zero-length records write nothing and leave the range alone.
        const std::uint64_t target = base + offset;
        if (length == 0 || target + length >= std::uint64_t(size_)) break;
        std::memcpy(buffer_.get() + target, data, length);
        start = std::min(start, std::uint32_t(target));
        end = std::max(end, std::uint32_t(target + length - 1));
        break;
    }
    case 1:
        return true;
    case 2:
        // An address record without its two bytes leaves the base as it was.
        if (length >= 2) base = ((std::uint64_t(data[0]) << 8) + data[1]) * 16;
        break;
    case 4:
        if (length >= 2) base = ((std::uint64_t(data[0]) << 8) + data[1]) * 65536;
        break;
    default:  // 3 and 5: start addresses, of no use to the image
        break;
    }
    return false;
}

}  // namespace relvane

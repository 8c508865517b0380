#pragma once
// A firmware image read from an Intel HEX file: a flat byte buffer of fixed
// size whose index is the absolute address, plus the range the last read wrote.

#include <QString>

#include <cstdint>
#include <memory>
#include <string>

class QIODevice;

namespace relvane {

class HEXFile {
public:
    // Allocates size bytes, each set to fill. Throws ErrorMsg for size <= 0 or
    // when the memory cannot be had.
    HEXFile(std::int32_t size, std::uint8_t fill);

    HEXFile(const HEXFile&) = delete;
    HEXFile& operator=(const HEXFile&) = delete;
    HEXFile(HEXFile&&) noexcept = default;
    HEXFile& operator=(HEXFile&&) noexcept = default;

    // Sets every byte; start and end stay as they are.
    void Fill(std::uint8_t value);

    // Reads the file's records into the buffer without clearing it first, so
    // bytes no record covers keep what they held. Throws ErrorMsg on any fault;
    // the buffer may then be partly written.
    void Read(const QString& path);
    // The same from a device open for reading (a file, or bytes in memory).
    void Read(QIODevice& in);

    // The byte at address; throws ErrorMsg outside 0 .. size-1.
    std::uint8_t GetByte(std::int32_t address) const;

    std::int32_t Size() const { return size_; }
    const std::uint8_t* Data() const { return buffer_.get(); }

    // Lowest and highest address written by the last read. With no data record
    // read, start is the image size and end 0 (start > end).
    std::uint32_t start = 0;
    std::uint32_t end = 0;

private:
    // Parses and applies one record; true for the end record.
    bool ProcessRecord(const std::string& token, std::uint64_t& base);

    std::unique_ptr<std::uint8_t[]> buffer_;
    std::int32_t size_ = 0;
};

}  // namespace relvane

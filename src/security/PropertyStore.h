#pragma once
// Small persistent values in the key file's property records: the
// failed-login counter, the clean-shutdown flag, the wipe marker and the
// password hint. Each slot is a 512-byte record: "PROPnnnn", a length, data.
//
// A write changes one whole record with one write at a multiple of 512
// bytes and puts it on the device before it returns. Devices tear writes at
// sector boundaries (512 bytes or more), so a write torn by a pulled stick
// leaves its record old or new, and neighbours sharing a larger sector are
// rewritten with the bytes they already hold. A rewrite of the counter
// changes only the bytes of its value. A value that must reach the device
// together with the key record (the hint of a new password) is staged
// instead and goes with the key record's save, in the same replacement of
// the file.

#include "platform/Status.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

namespace nbr {

class FileStream;

class PropertyStore {
public:
    PropertyStore() = default;
    PropertyStore(FileStream* stream, std::uint64_t base, std::uint32_t recordSize, std::uint32_t slots)
        : stream_(stream), base_(base), recordSize_(recordSize), slots_(slots)
    {
    }
    // The key file's layout: base 51200, 512-byte records, 50 slots.
    void Attach(FileStream* stream);

    [[nodiscard]] Status WriteValue(std::uint32_t slot, const void* data, std::uint32_t length);
    // `length` gives the room and gets the stored length.
    [[nodiscard]] Status ReadValue(std::uint32_t slot, std::uint32_t* length, void* data);
    [[nodiscard]] bool RemoveValue(std::uint32_t slot);

    [[nodiscard]] Status WriteInt(std::uint32_t slot, std::int32_t value);
    [[nodiscard]] Status ReadInt(std::uint32_t slot, std::int32_t* value);
    [[nodiscard]] Status WriteString(std::uint32_t slot, const QString& text);
    [[nodiscard]] Status ReadString(std::uint32_t slot, QString* text);

    // Keeps a value back for the next save of the key record; checked as a
    // write would be, so a value out of range is refused at once. Reads do
    // not see staged values.
    [[nodiscard]] Status StageValue(std::uint32_t slot, const void* data, std::uint32_t length);
    [[nodiscard]] Status StageString(std::uint32_t slot, const QString& text);
    [[nodiscard]] bool HasStaged() const { return !staged_.empty(); }
    // Puts the staged records into `image`, the bytes of a whole key file.
    void ApplyStaged(std::uint8_t* image, std::size_t size) const;
    void DropStaged() { staged_.clear(); }

private:
    [[nodiscard]] Status SeekTo(std::uint32_t slot);
    [[nodiscard]] Status BuildRecord(std::uint32_t slot, const void* data, std::uint32_t length,
                                     std::vector<std::uint8_t>* record) const;

    FileStream* stream_ = nullptr;
    std::uint64_t base_ = 51200;
    std::uint32_t recordSize_ = 512;
    std::uint32_t slots_ = 50;
    std::map<std::uint32_t, std::vector<std::uint8_t>> staged_;
};

}  // namespace nbr

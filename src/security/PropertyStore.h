#pragma once
// Small persistent values in the key file's property records: the
// failed-login counter, the clean-shutdown flag, the wipe marker and the
// password hint. Each slot is a 512-byte record: "PROPnnnn", a length, data.

#include "platform/Status.h"

#include <QString>

#include <cstdint>

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

private:
    [[nodiscard]] Status SeekTo(std::uint32_t slot);

    FileStream* stream_ = nullptr;
    std::uint64_t base_ = 51200;
    std::uint32_t recordSize_ = 512;
    std::uint32_t slots_ = 50;
};

}  // namespace nbr

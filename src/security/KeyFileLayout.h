#pragma once
// The fixed layout of the key file: magic, key record and property records.
// Reading the layout needs no password, so tools can tell what a key file holds.

#include <QByteArray>

#include <array>
#include <cstdint>

namespace nbr {

class KeyFileLayout {
public:
    static constexpr std::array<std::uint8_t, 8> kMagic = {0xAA, 0x78, 0x01, 0x00, 0x12, 0xF5, 0x12, 0x5D};
    static constexpr std::uint32_t kRecordOffset = 8;
    static constexpr std::uint32_t kRecordLength = 30986;
    static constexpr std::uint32_t kPropertyBase = 51200;
    static constexpr std::uint32_t kPropertySize = 512;
    static constexpr std::uint32_t kPropertySlots = 50;
    static constexpr std::uint32_t kPropertyMaxData = 500;
    static constexpr std::uint32_t kFileLength = kPropertyBase + kPropertySize * kPropertySlots;

    [[nodiscard]] static bool HasMagic(const QByteArray& file);
    // The record tag of a slot: "PROP0003" for slot 3.
    [[nodiscard]] static QByteArray SlotTag(std::uint32_t slot);
    // True when the slot holds a well-formed record; `length` gets its data length.
    [[nodiscard]] static bool SlotHoldsValue(const QByteArray& file, std::uint32_t slot, std::uint32_t* length);
};

}  // namespace nbr

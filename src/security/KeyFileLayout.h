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
    static constexpr std::uint32_t kKeyAreaLength = kRecordOffset + kRecordLength;  // magic and record

    // Offsets inside the key record.
    static constexpr std::uint32_t kVersion = 4;
    static constexpr std::uint32_t kVerifierSalt = 6;
    static constexpr std::uint32_t kVerifier = 10;
    static constexpr std::uint32_t kWrapSalt = 42;
    static constexpr std::uint32_t kWrapIv = 46;
    static constexpr std::uint32_t kWrappedKey = 62;
    static constexpr std::uint32_t kCreationRandom = 94;
    // A hardened record keeps the stretching of its password in the ten
    // words the plain record leaves zero, and says so with its version: a
    // reader of the plain record alone refuses it as invalid, and never
    // takes it for a stick that is not set up.
    static constexpr std::uint16_t kPlainVersion = 1;
    static constexpr std::uint16_t kHardenedVersion = 2;
    static constexpr std::uint32_t kStretchAlgorithm = 110;
    static constexpr std::uint32_t kStretchAlgorithmVersion = 114;
    static constexpr std::uint32_t kStretchMemory = 118;  // KiB
    static constexpr std::uint32_t kStretchPasses = 122;
    static constexpr std::uint32_t kStretchLanes = 126;
    static constexpr std::uint32_t kStretchSalt = 130;
    static constexpr std::uint32_t kStretchSaltLength = 16;
    static constexpr std::uint32_t kStretchOutput = 146;  // the stretched length
    static constexpr std::uint32_t kStretchEnd = 150;
    static constexpr std::uint32_t kMacSalt = 30950;
    static constexpr std::uint32_t kMac = 30954;
    static constexpr std::uint32_t kSaltLength = 4;

    // Property slots.
    static constexpr std::uint32_t kSlotFailedLogins = 0;
    static constexpr std::uint32_t kSlotCleanShutdown = 1;
    static constexpr std::uint32_t kSlotWipeMarker = 2;
    static constexpr std::uint32_t kSlotHint = 3;

    [[nodiscard]] static bool HasMagic(const QByteArray& file);
    // The version field of the record that follows the magic; 0 when the
    // file is too short to hold one.
    [[nodiscard]] static std::uint16_t RecordVersion(const QByteArray& file);
    // The record tag of a slot: "PROP0003" for slot 3.
    [[nodiscard]] static QByteArray SlotTag(std::uint32_t slot);
    // True when the slot holds a well-formed record; `length` gets its data length.
    [[nodiscard]] static bool SlotHoldsValue(const QByteArray& file, std::uint32_t slot, std::uint32_t* length);
};

}  // namespace nbr

#include "security/KeyFileLayout.h"

#include <QtEndian>

#include <cstring>

namespace nbr {

bool KeyFileLayout::HasMagic(const QByteArray& file)
{
    return file.size() >= static_cast<qsizetype>(kMagic.size())
           && std::memcmp(file.constData(), kMagic.data(), kMagic.size()) == 0;
}

std::uint16_t KeyFileLayout::RecordVersion(const QByteArray& file)
{
    if (file.size() < static_cast<qsizetype>(kRecordOffset + kVersion + 2))
        return 0;
    return qFromLittleEndian<std::uint16_t>(file.constData() + kRecordOffset + kVersion);
}

QByteArray KeyFileLayout::SlotTag(std::uint32_t slot)
{
    return QByteArray("PROP") + QByteArray::number(slot).rightJustified(4, '0');
}

bool KeyFileLayout::SlotHoldsValue(const QByteArray& file, std::uint32_t slot, std::uint32_t* length)
{
    const qsizetype at = kPropertyBase + static_cast<qsizetype>(kPropertySize) * slot;
    if (slot >= kPropertySlots || file.size() < at + kPropertySize)
        return false;
    const char* record = file.constData() + at;
    if (std::memcmp(record, SlotTag(slot).constData(), 8) != 0)
        return false;
    const auto stored = qFromLittleEndian<std::uint32_t>(record + 8);
    if (stored > kPropertyMaxData)
        return false;
    if (length)
        *length = stored;
    return true;
}

}  // namespace nbr

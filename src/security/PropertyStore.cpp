#include "security/PropertyStore.h"

#include "security/FileStream.h"
#include "security/KeyFileLayout.h"
#include "security/SecurityStatus.h"

#include <QtEndian>

#include <cstring>
#include <vector>

namespace nbr {
namespace {
constexpr std::uint32_t kHeader = 12;  // tag and length

// UTF-16LE code units and the terminator.
std::vector<std::uint8_t> StringBytes(const QString& text)
{
    std::vector<std::uint8_t> bytes((static_cast<std::size_t>(text.size()) + 1) * 2, 0);
    for (qsizetype i = 0; i < text.size(); ++i)
        qToLittleEndian<char16_t>(text.at(i).unicode(), bytes.data() + 2 * i);
    return bytes;
}

}  // namespace

void PropertyStore::Attach(FileStream* stream)
{
    stream_ = stream;
    base_ = KeyFileLayout::kPropertyBase;
    recordSize_ = KeyFileLayout::kPropertySize;
    slots_ = KeyFileLayout::kPropertySlots;
}

Status PropertyStore::SeekTo(std::uint32_t slot)
{
    return stream_->Seek(static_cast<std::int64_t>(base_ + static_cast<std::uint64_t>(recordSize_) * slot),
                         FileStream::kSeekSet, nullptr);
}

Status PropertyStore::BuildRecord(std::uint32_t slot, const void* data, std::uint32_t length,
                                  std::vector<std::uint8_t>* record) const
{
    if (slot >= slots_ || recordSize_ < kHeader || length > recordSize_ - kHeader
        || length > KeyFileLayout::kPropertyMaxData || (!data && length != 0))
        return E_PROP_RANGE;
    record->assign(recordSize_, 0);
    const QByteArray tag = KeyFileLayout::SlotTag(slot);
    std::memcpy(record->data(), tag.constData(), 8);
    qToLittleEndian<std::uint32_t>(length, record->data() + 8);
    if (length != 0)
        std::memcpy(record->data() + kHeader, data, length);
    return S_OK;
}

Status PropertyStore::WriteValue(std::uint32_t slot, const void* data, std::uint32_t length)
{
    if (!stream_)
        return E_PROP_NO_STREAM;
    std::vector<std::uint8_t> record;
    Status s = BuildRecord(slot, data, length, &record);
    if (Succeeded(s))
        s = SeekTo(slot);
    if (Failed(s))
        return s;
    std::uint32_t done = 0;
    s = stream_->Write(record.data(), recordSize_, &done);
    if (Failed(s) || done != recordSize_)
        return E_PROP_WRITE;
    // A counter that is not on the device can be undone by pulling the stick.
    return stream_->Commit();
}

Status PropertyStore::StageValue(std::uint32_t slot, const void* data, std::uint32_t length)
{
    std::vector<std::uint8_t> record;
    const Status s = BuildRecord(slot, data, length, &record);
    if (Succeeded(s))
        staged_[slot] = std::move(record);
    return s;
}

Status PropertyStore::StageString(std::uint32_t slot, const QString& text)
{
    const std::vector<std::uint8_t> bytes = StringBytes(text);
    if (bytes.size() > KeyFileLayout::kPropertyMaxData)
        return E_PROP_RANGE;
    return StageValue(slot, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

void PropertyStore::ApplyStaged(std::uint8_t* image, std::size_t size) const
{
    for (const auto& [slot, record] : staged_) {
        const std::uint64_t at = base_ + static_cast<std::uint64_t>(recordSize_) * slot;
        if (at + record.size() <= size)
            std::memcpy(image + at, record.data(), record.size());
    }
}

Status PropertyStore::ReadValue(std::uint32_t slot, std::uint32_t* length, void* data)
{
    if (!stream_)
        return E_PROP_NO_STREAM;
    if (slot >= slots_)
        return E_PROP_RANGE;
    Status s = SeekTo(slot);
    if (Failed(s))
        return s;
    std::vector<std::uint8_t> record(recordSize_, 0);
    std::uint32_t got = 0;
    if (Failed(s = stream_->Read(record.data(), recordSize_, &got)))
        return s;
    if (got == 0)
        return E_PROP_NOT_FOUND;
    if (got != recordSize_)
        return E_PROP_BAD_LENGTH;
    if (std::memcmp(record.data(), KeyFileLayout::SlotTag(slot).constData(), 8) != 0)
        return E_PROP_NOT_FOUND;
    const auto stored = qFromLittleEndian<std::uint32_t>(record.data() + 8);
    if (stored > KeyFileLayout::kPropertyMaxData || stored > recordSize_ - kHeader)
        return E_PROP_BAD_LENGTH;
    if (*length < stored) {
        *length = stored;
        return E_BUFFER_TOO_SMALL;
    }
    if (stored != 0)
        std::memcpy(data, record.data() + kHeader, stored);
    *length = stored;
    return S_OK;
}

bool PropertyStore::RemoveValue(std::uint32_t slot)
{
    if (!stream_ || slot >= slots_ || Failed(SeekTo(slot)))
        return false;
    const std::vector<std::uint8_t> zeros(recordSize_, 0);
    std::uint32_t done = 0;
    return Succeeded(stream_->Write(zeros.data(), recordSize_, &done)) && done == recordSize_
           && Succeeded(stream_->Commit());
}

Status PropertyStore::WriteInt(std::uint32_t slot, std::int32_t value)
{
    std::uint8_t bytes[4];
    qToLittleEndian<std::int32_t>(value, bytes);
    return WriteValue(slot, bytes, sizeof bytes);
}

Status PropertyStore::ReadInt(std::uint32_t slot, std::int32_t* value)
{
    std::uint8_t bytes[4] = {};
    std::uint32_t length = sizeof bytes;
    const Status s = ReadValue(slot, &length, bytes);
    if (Succeeded(s))
        *value = qFromLittleEndian<std::int32_t>(bytes);
    return s;
}

Status PropertyStore::WriteString(std::uint32_t slot, const QString& text)
{
    const std::vector<std::uint8_t> bytes = StringBytes(text);
    if (bytes.size() > KeyFileLayout::kPropertyMaxData)
        return E_PROP_RANGE;
    return WriteValue(slot, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

Status PropertyStore::ReadString(std::uint32_t slot, QString* text)
{
    std::uint8_t bytes[1024] = {};
    std::uint32_t length = sizeof bytes;
    const Status s = ReadValue(slot, &length, bytes);
    if (Failed(s))
        return s;
    text->clear();
    for (std::uint32_t i = 0; i + 1 < length; i += 2) {
        const char16_t unit = qFromLittleEndian<char16_t>(bytes + i);
        if (unit == 0)
            break;
        text->append(QChar(unit));
    }
    return S_OK;
}

}  // namespace nbr

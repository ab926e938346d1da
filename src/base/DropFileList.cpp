#include "base/DropFileList.h"

#include <QtEndian>

namespace nbr {

QByteArray DropFileList::Bytes() const
{
    qsizetype size = kHeaderLength + 2;
    for (const QString& path : paths_)
        size += 2 * (path.size() + 1);
    QByteArray bytes(size, '\0');
    char* out = bytes.data();
    qToLittleEndian<std::uint32_t>(kHeaderLength, out);
    qToLittleEndian<std::int32_t>(x_, out + 4);
    qToLittleEndian<std::int32_t>(y_, out + 8);
    qToLittleEndian<std::uint32_t>(0, out + 12);
    qToLittleEndian<std::uint32_t>(1, out + 16);
    qsizetype at = kHeaderLength;
    for (const QString& path : paths_) {
        for (const QChar c : path) {
            qToLittleEndian<char16_t>(c.unicode(), out + at);
            at += 2;
        }
        at += 2;
    }
    return bytes;
}

bool DropFileList::Parse(const QByteArray& bytes, DropFileList* list)
{
    if (bytes.size() < static_cast<qsizetype>(kHeaderLength))
        return false;
    const char* data = bytes.constData();
    const auto offset = qFromLittleEndian<std::uint32_t>(data);
    if (offset < kHeaderLength || offset > static_cast<std::uint32_t>(bytes.size()))
        return false;
    const bool wide = qFromLittleEndian<std::uint32_t>(data + 16) != 0;
    QStringList paths;
    QString current;
    const qsizetype unit = wide ? 2 : 1;
    // Paths run until an empty one; a list cut short ends where the bytes do.
    for (qsizetype at = offset; at + unit <= bytes.size(); at += unit) {
        const char16_t c = wide ? qFromLittleEndian<char16_t>(data + at) : static_cast<unsigned char>(data[at]);
        if (c != 0) {
            current.append(QChar(c));
        } else if (current.isEmpty()) {
            break;
        } else {
            paths << (wide ? current : QString::fromLocal8Bit(current.toLatin1()));
            current.clear();
        }
    }
    if (!current.isEmpty())
        paths << (wide ? current : QString::fromLocal8Bit(current.toLatin1()));
    *list = DropFileList(paths, qFromLittleEndian<std::int32_t>(data + 4), qFromLittleEndian<std::int32_t>(data + 8));
    return true;
}

}  // namespace nbr

#include "platform/NativePath.h"

#include <QStringDecoder>

namespace nbr {

QString NativePath::LastComponent(const QString& path)
{
    const qsizetype at = path.lastIndexOf(kSeparator);
    return at < 0 ? QString() : path.mid(at + 1);
}

QString NativePath::ParentOf(const QString& path)
{
    const qsizetype at = path.lastIndexOf(kSeparator);
    return at < 0 ? QString() : path.left(at);
}

bool NativePath::HasSeparator(const QString& path)
{
    return path.contains(kSeparator);
}

QString NativePath::Join(const QString& folder, const QString& name)
{
    if (folder.endsWith(kSeparator))
        return folder + name;
    return folder + kSeparator + name;
}

QByteArray NativePath::Encode(const QString& path)
{
    return path.toUtf8();
}

QString NativePath::Decode(const QByteArray& bytes, bool* ok)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (ok)
        *ok = !decoder.hasError();
    return text;
}

}  // namespace nbr

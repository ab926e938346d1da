#include "platform/NativePath.h"

#include <QStringDecoder>

#include <algorithm>

namespace nbr {

namespace {

// Windows takes the backslash as well: paths typed by people use it.
qsizetype LastSeparator(const QString& path)
{
#ifdef _WIN32
    return std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
#else
    return path.lastIndexOf(NativePath::kSeparator);
#endif
}

}  // namespace

QString NativePath::LastComponent(const QString& path)
{
    const qsizetype at = LastSeparator(path);
    return at < 0 ? QString() : path.mid(at + 1);
}

QString NativePath::ParentOf(const QString& path)
{
    const qsizetype at = LastSeparator(path);
    return at < 0 ? QString() : path.left(at);
}

bool NativePath::HasSeparator(const QString& path)
{
    return LastSeparator(path) >= 0;
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

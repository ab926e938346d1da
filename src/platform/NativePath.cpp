#include "platform/NativePath.h"

#include <QStringDecoder>
#include <QStringList>

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

bool NativePath::IsPlainName(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") || name.contains(kSeparator)
        || name.contains(QChar(0)))
        return false;
#ifdef _WIN32
    for (const QChar c : name) {
        if (c.unicode() < 32 || QStringView(u"\\/:*?\"<>|").contains(c))
            return false;
    }
    if (name.endsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char(' ')))
        return false;
    // The devices answer to their names in every folder, with any extension.
    const QString stem = name.section(QLatin1Char('.'), 0, 0).trimmed().toUpper();
    static const QStringList kDevices {QStringLiteral("CON"), QStringLiteral("PRN"), QStringLiteral("AUX"),
                                       QStringLiteral("NUL"), QStringLiteral("CONIN$"), QStringLiteral("CONOUT$")};
    if (kDevices.contains(stem))
        return false;
    if (stem.size() == 4 && (stem.startsWith(QLatin1String("COM")) || stem.startsWith(QLatin1String("LPT")))
        && stem.at(3) >= u'0' && stem.at(3) <= u'9')
        return false;
#endif
    return true;
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

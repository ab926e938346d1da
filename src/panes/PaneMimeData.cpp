#include "panes/PaneMimeData.h"

#include <QMimeData>
#include <QUrl>

namespace nbr {

QMimeData* PaneMimeData::ForHostFiles(const DropFileList& files)
{
    auto* data = new QMimeData;
    QList<QUrl> urls;
    QByteArray copied("copy");
    for (const QString& path : files.Paths()) {
        const QUrl url = QUrl::fromLocalFile(path);
        urls.append(url);
        copied += '\n' + url.toEncoded();
    }
    data->setUrls(urls);
    // File managers of the GNOME family paste only from this form.
    data->setData(QString::fromLatin1(mime::kCopiedFiles), copied);
    return data;
}

QMimeData* PaneMimeData::ForStoreFiles(const DropFileList& files)
{
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(mime::kUsbDevice), files.Bytes());
    return data;
}

bool PaneMimeData::HasFileList(const QMimeData* data)
{
    return data && data->hasFormat(QString::fromLatin1(mime::kUriList));
}

bool PaneMimeData::HasStoreList(const QMimeData* data)
{
    return data && data->hasFormat(QString::fromLatin1(mime::kUsbDevice));
}

DropFileList PaneMimeData::LocalFiles(const QMimeData* data, QStringList* others)
{
    if (!HasFileList(data))
        return {};
    QStringList paths;
    // Read the list by hand: QMimeData::urls() drops lines it cannot parse,
    // and those must be reported, not lost silently.
    const QByteArray raw = data->data(QString::fromLatin1(mime::kUriList));
    for (const QByteArray& rawLine : raw.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QUrl url = QUrl::fromEncoded(line, QUrl::StrictMode);
        // file://otherhost/x names a file of another machine; read as a
        // local path it would become //otherhost/x, which is /otherhost/x.
        const bool thisMachine = url.host().isEmpty() || url.host() == QLatin1String("localhost");
        // A decoded %00 would cut the path short at the system call and name
        // another file.
        const QString decoded = url.path(QUrl::FullyDecoded);
        if (url.isValid() && url.isLocalFile() && thisMachine && decoded.startsWith(u'/')
            && !decoded.contains(QChar(u'\0'))) {
            QString path = decoded;
            while (path.startsWith(QLatin1String("//")))
                path.remove(0, 1);
            while (path.size() > 1 && path.endsWith(u'/'))
                path.chop(1);
            paths.append(path);
        } else if (others) {
            others->append(url.isValid() ? url.toDisplayString() : QString::fromUtf8(line));
        }
    }
    return DropFileList(paths);
}

DropFileList PaneMimeData::StoreFiles(const QMimeData* data)
{
    DropFileList list;
    if (!HasStoreList(data) || !DropFileList::Parse(data->data(QString::fromLatin1(mime::kUsbDevice)), &list))
        return {};
    return list;
}

}  // namespace nbr

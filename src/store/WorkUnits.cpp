#include "store/WorkUnits.h"

#include "base/IProgressDlg.h"
#include "base/TextFormatter.h"
#include "platform/FileSystem.h"
#include "platform/NativeFile.h"
#include "platform/NativePath.h"

#include <QLocale>

namespace nbr {
namespace {

std::uint64_t CountFolder(const QString& path, const IProgressDlg* cancelSource, bool skipManifests)
{
    QList<DirectoryEntry> entries;
    if (Failed(FileSystem::List(path, &entries)))
        return 0;
    std::uint64_t units = 0;
    for (const DirectoryEntry& entry : entries) {
        if (cancelSource && cancelSource->IsCancelled())
            break;
        if (entry.isFolder)
            units += CountFolder(NativePath::Join(path, entry.name), nullptr, skipManifests);
        else if (!skipManifests || (entry.name != QLatin1String(".manifest") && entry.name != QLatin1String(".manifest.bak")))
            units += WorkUnits::Of(entry.size);
    }
    return units + 1;
}

}  // namespace

std::uint64_t WorkUnits::FolderWorkUnits(const QString& path, const IProgressDlg* cancelSource)
{
    return CountFolder(path, cancelSource, false);
}

std::uint64_t WorkUnits::StoreFolderWorkUnits(const QString& path, const IProgressDlg* cancelSource)
{
    return CountFolder(path, cancelSource, true);
}

std::uint64_t WorkUnits::FileWorkUnits(const QString& path)
{
    NativeFile file;
    std::uint64_t size = 0;
    if (Failed(file.OpenRead(path)) || Failed(file.Size(&size)))
        return 0;
    return Of(size);
}

QString WorkUnits::FormatSizeColumn(std::uint64_t size, QChar separator, QChar unit)
{
    QChar chosen = unit;
    if (unit != u'B' && unit != u'K' && unit != u'M')
        chosen = (size > 2097152 || size >= (1ull << 32)) ? u'M' : size > 2048 ? u'K' : u'B';
    const std::uint64_t value = chosen == u'M' ? size >> 20 : chosen == u'K' ? size >> 10 : size;
    QString digits = QString::number(value);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, separator);
    if (chosen == u'K')
        digits += QStringLiteral(" KB");
    else if (chosen == u'M')
        digits += QStringLiteral(" MB");
    return digits;
}

QString WorkUnits::TransferText(std::uint64_t done, std::uint64_t total)
{
    // Numbers follow the chosen language, as the texts around them do.
    const QChar point = QLocale().decimalPoint().at(0);
    const auto bytesDone = static_cast<long long>(done);
    const auto bytesTotal = static_cast<long long>(total);
    if (total < (1ull << 32) && total <= 1024) {
        if (done == 0)
            return TextFormatter::Format(QStringLiteral("%I64d bytes"), {bytesTotal});
        return TextFormatter::Format(QStringLiteral("%I64d / %I64d bytes"), {bytesDone, bytesTotal});
    }
    double unit = 1024.0;
    QString name = QStringLiteral("KB");
    if (total >= (1ull << 32) || total > 1073741824ull) {
        unit = 1073741824.0;
        name = QStringLiteral("GB");
    } else if (total > 1048576ull) {
        unit = 1048576.0;
        name = QStringLiteral("MB");
    }
    const double scaledDone = static_cast<float>(static_cast<double>(done) / unit);
    const double scaledTotal = static_cast<float>(static_cast<double>(total) / unit);
    QString text = done == 0 ? TextFormatter::Format(QStringLiteral("%.02f %s"), {scaledTotal, name}, nullptr, point)
                             : TextFormatter::Format(QStringLiteral("%.02f / %.02f %s    (%I64d bytes)"),
                                                     {scaledDone, scaledTotal, name, bytesDone}, nullptr, point);
    return text.left(99);
}

void WorkUnits::FormatTransferProgress(IProgressDlg* sink, std::uint64_t done, std::uint64_t total)
{
    if (sink)
        sink->SetLine3(TransferText(done, total));
}

}  // namespace nbr

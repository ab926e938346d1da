// A text/uri-list of any origin, as another program's drag or copy hands it
// over: every entry is either a local file or reported, never both, never
// lost, and a local path is absolute, of this machine, with no trailing
// separator.

#include "FuzzScratchFile.h"
#include "panes/PaneMimeData.h"

#include <QMimeData>

using nbr::PaneMimeData;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QMimeData mime;
    mime.setData(QString::fromLatin1(nbr::mime::kUriList), bytes);
    QStringList others;
    const nbr::DropFileList files = PaneMimeData::LocalFiles(&mime, &others);
    // Counted in the list as the data object hands it out (it may have
    // normalised what it was given).
    qsizetype entries = 0;
    for (const QByteArray& line : mime.data(QString::fromLatin1(nbr::mime::kUriList)).split('\n')) {
        const QByteArray trimmed = line.trimmed();
        if (!trimmed.isEmpty() && !trimmed.startsWith('#'))
            ++entries;
    }
    FUZZ_CHECK(files.Paths().size() + others.size() == entries);
    for (const QString& path : files.Paths()) {
        FUZZ_CHECK(path.startsWith(u'/') && !path.startsWith(QLatin1String("//")));
        FUZZ_CHECK(!path.contains(QChar(u'\0')));
        FUZZ_CHECK(path == QLatin1String("/") || !path.endsWith(u'/'));
    }
    // What the program writes for local files reads back as the same files.
    std::unique_ptr<QMimeData> again(PaneMimeData::ForHostFiles(files));
    QStringList none;
    FUZZ_CHECK(PaneMimeData::LocalFiles(again.get(), &none).Paths() == files.Paths());
    FUZZ_CHECK(none.isEmpty());
    return 0;
}

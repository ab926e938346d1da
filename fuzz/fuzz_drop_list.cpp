// The drop list of drag and drop and the clipboard, from bytes of any origin.
// A list that reads must come back unchanged from the bytes the program
// itself would write for it.

#include "FuzzScratchFile.h"
#include "base/DropFileList.h"

using nbr::DropFileList;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    DropFileList list;
    if (!DropFileList::Parse(bytes, &list))
        return 0;
    FUZZ_CHECK(size >= DropFileList::kHeaderLength);
    qsizetype units = 0;
    for (const QString& path : list.Paths()) {
        // An empty path ends the list; it is never one of its items.
        FUZZ_CHECK(!path.isEmpty());
        FUZZ_CHECK(!path.contains(QChar(u'\0')));
        units += path.size();
    }
    // 8-bit lists may grow when decoded, but never past one replacement per byte.
    FUZZ_CHECK(units <= static_cast<qsizetype>(size));

    const QByteArray written = DropFileList(list.Paths(), list.X(), list.Y()).Bytes();
    DropFileList again;
    FUZZ_CHECK(DropFileList::Parse(written, &again));
    FUZZ_CHECK(again.Paths() == list.Paths());
    FUZZ_CHECK(again.X() == list.X() && again.Y() == list.Y());
    return 0;
}

#include "store/DragTempFolder.h"

#include "store/FileUtilities.h"

namespace nbr {

namespace {
constexpr char kPrefix[] = "_Orvane";
}  // namespace

DragTempFolder::~DragTempFolder()
{
    (void)Discard();
}

QString DragTempFolder::Next()
{
    // The new folder is made while the old one still stands, so it never
    // gets the old one's name: a program still copying from the old path
    // must not find the next drag's files there.
    const QString next = FileUtilities::CreateUniqueTempFolder(QString::fromLatin1(kPrefix));
    (void)Discard();
    current_ = next;
    return current_;
}

int DragTempFolder::SweepStale()
{
    return FileUtilities::SweepStaleTempFolders(QString::fromLatin1(kPrefix));
}

bool DragTempFolder::Discard()
{
    if (current_.isEmpty())
        return true;
    // Zeroed before deletion: these are decrypted copies of stored files.
    const bool gone = FileUtilities::DeleteTree(current_, nullptr, false, true);
    current_.clear();
    return gone;
}

}  // namespace nbr

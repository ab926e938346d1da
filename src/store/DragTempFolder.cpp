#include "store/DragTempFolder.h"

#include "store/FileUtilities.h"

namespace nbr {

namespace {
constexpr char kPrefix[] = "_Orvane";
}  // namespace

DragTempFolder::~DragTempFolder()
{
    (void)Discard();
    WaitForWipes();
}

QString DragTempFolder::Next()
{
    // The new folder is made while the old one still stands, so it never
    // gets the old one's name: a program still copying from the old path
    // must not find the next drag's files there.
    const QString next = FileUtilities::CreateUniqueTempFolder(QString::fromLatin1(kPrefix));
    const QString previous = current_;
    current_ = next;
    if (!previous.isEmpty()) {
        std::erase_if(wipes_, [](const OwnedThread& wipe) { return wipe->isFinished(); });
        // Zeroed before deletion: these are decrypted copies of stored files.
        OwnedThread wipe(QThread::create([previous] { (void)FileUtilities::DeleteTree(previous, nullptr, false, true); }));
        wipe->start();
        wipes_.push_back(std::move(wipe));
    }
    return current_;
}

void DragTempFolder::WaitForWipes()
{
    wipes_.clear();
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

#pragma once
// The host folder that a drag out of the store decrypts its files into.
// A program that takes a drop on this desktop may copy the offered files
// after the drag has already ended (file managers copy in the background),
// so the folder outlives its drag: it is kept until the next drag from the
// store or the end of Nimbra, then wiped and deleted. Only its owner may
// enter it, and the decrypted files in it are the owner's alone. The wipe
// of a previous drag's folder runs on a thread of its own: the next drag
// starts on the GUI thread, which must not wait on the disk.

#include "base/OwnedThread.h"

#include <QString>

#include <vector>

namespace nbr {

class DragTempFolder {
public:
    DragTempFolder() = default;
    // Nimbra's end: the last drag's folder is wiped and deleted.
    ~DragTempFolder();
    DragTempFolder(const DragTempFolder&) = delete;
    DragTempFolder& operator=(const DragTempFolder&) = delete;

    // The folder of a new drag; the previous one is wiped and deleted beside
    // it. It ends in a separator; empty when none could be made.
    [[nodiscard]] QString Next();
    // Waits until the wipes that Next started have ended.
    void WaitForWipes();
    [[nodiscard]] const QString& Current() const { return current_; }
    // Wipes and deletes the current folder now; true when it is gone.
    bool Discard();
    // At start: the folders of earlier runs that ended without their own
    // clean-up (decrypted copies a crash left behind) are wiped and deleted.
    static int SweepStale();

private:
    QString current_;
    std::vector<OwnedThread> wipes_;
};

}  // namespace nbr

#pragma once
// Copies host files and folders into a host folder, for drops and pastes
// into the host pane: the progress of every file, the questions before a
// file is replaced or two folders merged, and nothing half-written under a
// final name (each file is written beside it and renamed once whole). On a
// move, the sources that were copied whole are deleted afterwards, and no
// other. A copy into the folder that already holds the item is made beside
// it as "name (2)" (then 3, 4, ...), as file managers do; a move there does
// nothing.

#include "store/TransferThread.h"

#include <QStringList>

#include <cstdint>

namespace nbr {

class HostCopyThread final : public TransferThread {
public:
    HostCopyThread(IProgressDlg* progress, const QStringList& sources, const QString& destinationFolder, bool move,
                   const LanguageManager& languages);
    ~HostCopyThread() override;

    // The first of "stem (2).ext", "stem (3).ext", ... not taken in `folder`
    // (a folder's name keeps its dots: no extension).
    [[nodiscard]] static QString NumberedCopyName(const QString& folder, const QString& name, bool isFolder);

protected:
    Status Run() override;

private:
    // Copies one item to `destination`; `whole` becomes false when anything
    // in it was left out. `merge` is the answer to the merge question so
    // far, shared by the folders of one source.
    [[nodiscard]] Status CopyItem(const QString& source, const QString& destination, bool* merge, bool* whole);
    [[nodiscard]] Status CopyFolder(const QString& source, const QString& destination, bool* merge, bool* whole);
    [[nodiscard]] Status CopyFile(const QString& source, const QString& destination);
    // A failure that ends the run: a full drive (its own message) or a cancel.
    [[nodiscard]] static bool EndsRun(Status s);
    void LeaveOut(const QString& path, Status s, bool* whole) const;

    QStringList sources_;
    QString destination_;
    bool move_;
};

}  // namespace nbr

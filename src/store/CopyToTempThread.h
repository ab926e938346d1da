#pragma once
// Decrypts stored files and folders into a host folder under their display
// names, folders rebuilt from their manifests. Asks before replacing a host
// file or merging into a host folder; a cancel ends the run quietly.

#include "store/TransferThread.h"

#include <QStringList>

namespace nbr {

class EncryptedStore;

class CopyToTempThread final : public TransferThread {
public:
    // `destinationFolder` is a host folder; it ends in a separator.
    CopyToTempThread(IProgressDlg* progress, EncryptedStore& store, const QStringList& sources,
                     const QString& destinationFolder, const LanguageManager& languages);
    ~CopyToTempThread() override;

    // `merge`: the answer to the merge question so far, shared by the
    // folders of one source.
    [[nodiscard]] Status DecryptStoreFolder(const QString& storedFolder, const QString& hostFolder, bool* merge);
    // A display name that can be a host file name and reaches nothing else
    // (NativePath::IsPlainName: on Windows also no backslash, colon, device name...).
    [[nodiscard]] static bool IsSafeHostName(const QString& name);

protected:
    Status Run() override;

private:
    // Whether `path` is, or lies inside, the store or the launch folder of
    // the stick (by any way to it: a link, "..", a bind mount), or would be
    // one of them by its name.
    [[nodiscard]] bool IntoTheStick(const QString& path) const;
    [[nodiscard]] Status DecryptFile(const QString& stored, const QString& host);

    EncryptedStore& store_;
    QStringList sources_;
    QString destination_;
};

}  // namespace nbr

#pragma once
// What the password screens decide, as jobs any front end can run: the setup
// commit, the password change, the save job and the wipe job. The save and
// wipe run through ProgressWorker behind a progress dialog.

#include "platform/Status.h"

#include <QString>

#include <functional>

namespace nbr {

class IProgressDlg;
class LanguageManager;
class Password;
class PropertyStore;
class SecParams;

struct PasswordChange {
    bool changed = false;
    int messageId = 0;      // the text to show (97 on success)
    int argument = -1;
    Status status = S_OK;   // a failure to show with its error text
};

// How a password change leaves the key file's protection.
enum class Protection {
    Keep,      // as it is (a hardened record keeps its cost)
    Plain,     // the password hashed as it is
    Hardened,  // stretched by Argon2id at a cost tuned on this computer
};

class KeyFileJobs {
public:
    // The first run: a new master key under the password (hardened when
    // asked: about two seconds of tuning and stretching), and the hint
    // staged to be saved with it.
    [[nodiscard]] static Status CommitSetup(SecParams& params, PropertyStore& properties, const Password& password,
                                            const QString& hint, bool harden = false);
    // The settings page's Apply; the key file still has to be saved, which
    // puts the new record and the staged hint on the device together. With
    // a protection to change to and no new password, the current password
    // is kept and only the protection changes.
    [[nodiscard]] static PasswordChange ApplyChange(SecParams& params, PropertyStore& properties,
                                                    const Password& current, const Password& password,
                                                    const Password& confirmation, const QString& hint,
                                                    Protection protection = Protection::Keep);
    // After a login with the recovery key: the new password, checked by the
    // rules of a first password, wraps the same master key.
    [[nodiscard]] static PasswordChange SetRecoveredPassword(SecParams& params, PropertyStore& properties,
                                                             const Password& password, const Password& confirmation,
                                                             const QString& hint);
    // Runs `work` behind `dialog` titled `title`, for what takes a second
    // or more (a hardened key file's stretching); true when it ran.
    [[nodiscard]] static bool RunBusy(const std::function<void()>& work, IProgressDlg& dialog, const QString& title);
    // Saves the key file, with the property records staged in `properties`,
    // behind `dialog` (title 94); true when saved.
    [[nodiscard]] static bool RunSave(SecParams& params, PropertyStore& properties, IProgressDlg& dialog,
                                      const LanguageManager& languages);
    // The wipe steps themselves: mark, erase the key, forget the counter, the
    // flag and the hint, delete the store folder but the key file, unmark.
    [[nodiscard]] static bool Wipe(SecParams& params, PropertyStore& properties, const QString& storeFolder,
                                   const QString& keyFile, IProgressDlg* progress);
    // The wipe behind `dialog`, titled 51 or untitled; true when it succeeded.
    [[nodiscard]] static bool RunWipe(SecParams& params, PropertyStore& properties, const QString& storeFolder,
                                      const QString& keyFile, IProgressDlg& dialog, const QString& title);
};

}  // namespace nbr

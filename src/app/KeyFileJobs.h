#pragma once
// What the password screens decide, as jobs any front end can run: the setup
// commit, the password change, the save job and the wipe job. The save and
// wipe run through ProgressWorker behind a progress dialog.

#include "platform/Status.h"

#include <QString>

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

class KeyFileJobs {
public:
    // The first run: a new master key under the password, and the hint
    // staged to be saved with it.
    [[nodiscard]] static Status CommitSetup(SecParams& params, PropertyStore& properties, const Password& password,
                                            const QString& hint);
    // The settings page's Apply; the key file still has to be saved, which
    // puts the new record and the staged hint on the device together.
    [[nodiscard]] static PasswordChange ApplyChange(SecParams& params, PropertyStore& properties,
                                                    const Password& current, const Password& password,
                                                    const Password& confirmation, const QString& hint);
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

#pragma once
// The program's hold on one store: the key file opened (and locked) on the
// store's volume with its key record and property area, whether a store is
// set up, the login steps and their outcome, and the unlocked store itself.
// Every front end (the command-line tool, the windows) goes through it, so
// the order of the steps and what each leaves on the stick is decided once.

#include "app/KeyFileJobs.h"
#include "security/FileStream.h"
#include "security/LoginAttempts.h"
#include "security/PropertyStore.h"
#include "security/SecParams.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace nbr {

class EncryptedStore;
class IProgressDlg;
class LanguageManager;
class Password;
class VariableStore;

class StoreSession {
public:
    // The store folder and the key file come from NBR_DEVICE_DOCUMENT_PATH
    // and NBR_SEC_PARAM_FILE, read once here.
    explicit StoreSession(const VariableStore& variables);
    ~StoreSession();
    StoreSession(const StoreSession&) = delete;
    StoreSession& operator=(const StoreSession&) = delete;

    [[nodiscard]] const QString& StoreFolder() const { return storeFolder_; }
    [[nodiscard]] const QString& KeyFile() const { return keyFile_; }

    // Opens the key file. With `create` the (hidden) store folder is made
    // first and a missing key file is created empty; without, a missing key
    // file gives S_FALSE and nothing is created: there is no store. A key
    // file that another process holds gives the sharing violation.
    // `subject` (optional) gets the path a failure concerns.
    [[nodiscard]] Status Open(bool create, QString* subject = nullptr);
    // Whether the store folder holds anything besides the key file: items a
    // new key could never open, so no setup may go over them.
    [[nodiscard]] bool HoldsItems() const;
    [[nodiscard]] bool IsOpen() const { return stream_ != nullptr; }
    // The key file holds a key: the store is set up.
    [[nodiscard]] bool IsSetUp() const { return setUp_; }

    // The login steps: BeginLogin reads the failed-login counter (a counter
    // already at the limit makes the next attempt wipe), then each Attempt
    // counts before the password is looked at. A kWipe outcome asks the
    // caller to run Wipe and end.
    [[nodiscard]] Status BeginLogin();
    [[nodiscard]] LoginOutcome Attempt(const Password& password);
    // An attempt with the recovery key instead of the password (the key
    // as RecoveryKey read it); it counts as every attempt does. Logged in,
    // the caller sets a new password with SetRecoveredPassword and saves.
    [[nodiscard]] LoginOutcome AttemptRecovery(const LockedByteBlock& key);
    // Whether the key file is hardened: every check of its password takes
    // about a second, to be run behind a progress window. Before the login
    // the stick says; after it, the key in memory.
    [[nodiscard]] bool IsHardened();
    [[nodiscard]] bool IsLoggedIn() const { return loggedIn_; }
    [[nodiscard]] const std::optional<LoginOutcome>& LastOutcome() const { return lastOutcome_; }

    // The first run: a new master key under `password` with its hint; Save
    // puts both on the stick.
    [[nodiscard]] Status Setup(const Password& password, const QString& hint, bool harden = false);
    // A password change after a login, or a change of the protection alone
    // (KeyFileJobs::ApplyChange); Save puts it on the stick.
    [[nodiscard]] PasswordChange ChangePassword(const Password& current, const Password& password,
                                                const Password& confirmation, const QString& hint,
                                                Protection protection = Protection::Keep);
    // The new password after a login with the recovery key.
    [[nodiscard]] PasswordChange SetRecoveredPassword(const Password& password, const Password& confirmation,
                                                      const QString& hint);
    // The key file's save behind `dialog`; true when saved.
    [[nodiscard]] bool Save(IProgressDlg& dialog, const LanguageManager& languages);
    // Destroys the key and the store's files behind `dialog`; the session is
    // logged out and holds no key afterwards. True when it succeeded.
    [[nodiscard]] bool Wipe(IProgressDlg& dialog, const QString& title);

    // The unlocked store; only after a login.
    [[nodiscard]] EncryptedStore& Store();

    [[nodiscard]] SecParams& Params() { return params_; }
    [[nodiscard]] const SecParams& Params() const { return params_; }
    [[nodiscard]] PropertyStore& Properties() { return properties_; }

private:
    [[nodiscard]] LoginOutcome Finish(const std::function<LoginOutcome(LoginAttempts&)>& attempt);

    QString storeFolder_;
    QString keyFile_;
    FileStreamPtr stream_;
    SecParams params_;
    PropertyStore properties_;
    std::unique_ptr<LoginAttempts> attempts_;
    std::optional<LoginOutcome> lastOutcome_;
    std::unique_ptr<EncryptedStore> store_;
    bool setUp_ = false;
    bool loggedIn_ = false;
};

}  // namespace nbr

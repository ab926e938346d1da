#include "app/StoreSession.h"

#include "base/VariableStore.h"
#include "platform/CreationPolicy.h"
#include "platform/FileAttributes.h"
#include "platform/FileSystem.h"
#include "platform/NativePath.h"
#include "security/KeyFileLayout.h"
#include "security/SecurityStatus.h"
#include "store/EncryptedStore.h"
#include "store/FileUtilities.h"
#include "store/StoreStatus.h"

namespace nbr {

StoreSession::StoreSession(const VariableStore& variables)
    : storeFolder_(variables.GetVariable(QStringLiteral("NBR_DEVICE_DOCUMENT_PATH"))),
      keyFile_(variables.GetVariable(QStringLiteral("NBR_SEC_PARAM_FILE")))
{
}

StoreSession::~StoreSession()
{
    // The store and the login steps refer to the key: they go first.
    store_.reset();
    attempts_.reset();
    params_.ClearMemory();
}

Status StoreSession::Open(bool create, QString* subject)
{
    if (stream_)
        return S_OK;
    if (subject)
        *subject = create ? storeFolder_ : keyFile_;
    if (create) {
        const std::uint32_t error =
            FileUtilities::CreateDirectories(storeFolder_, false, CreationPolicy::StoreSecurityAttributes());
        if (error != 0)
            return StatusFromWin32(error);
        (void)FileAttributes::Set(storeFolder_, FileAttributes::kHidden);
        if (subject)
            *subject = keyFile_;
    } else if (!FileUtilities::PathExists(keyFile_)) {
        setUp_ = false;
        return S_FALSE;
    }
    FileStreamPtr stream(new FileStream);
    Status s = stream->Open(keyFile_);
    // Opened for writing because every login counts in it: a stick that
    // takes no writes cannot be opened, and the person must hear why.
    if (s == StatusFromWin32(win32::kWriteProtect) || s == StatusFromWin32(win32::kAccessDenied))
        return E_STICK_READ_ONLY;
    if (Failed(s))
        return s;
    // Only a missing, empty or reset key file means "not set up": setting up
    // over anything else would throw away the key of every stored file.
    params_.AttachStream(stream.get());
    properties_.Attach(stream.get());
    SecParams::KeyArea area = SecParams::KeyArea::Foreign;
    s = params_.ReadKeyArea(&area);
    if (Succeeded(s) && area == SecParams::KeyArea::Foreign) {
        // A reset that stopped half way through erasing the key has marked
        // the file first: finishing it is what the person asked for.
        QString wiping;
        const bool resetBegun = Succeeded(properties_.ReadString(KeyFileLayout::kSlotWipeMarker, &wiping))
                                && wiping == QLatin1String("true");
        if (resetBegun)
            area = SecParams::KeyArea::Blank;
        else
            s = E_BAD_HEADER;
    }
    if (Failed(s)) {
        params_.AttachStream(nullptr);
        properties_.Attach(nullptr);
        return s;
    }
    stream_ = std::move(stream);
    setUp_ = area == SecParams::KeyArea::Key;
    return S_OK;
}

Status StoreSession::BeginLogin()
{
    loggedIn_ = false;
    lastOutcome_.reset();
    attempts_ = std::make_unique<LoginAttempts>(params_, properties_);
    const Status s = attempts_->Open();
    if (Failed(s))
        attempts_.reset();
    return s;
}

LoginOutcome StoreSession::Attempt(const Password& password)
{
    return Finish([&password](LoginAttempts& attempts) { return attempts.Attempt(password); });
}

LoginOutcome StoreSession::AttemptRecovery(const LockedByteBlock& key)
{
    return Finish([&key](LoginAttempts& attempts) { return attempts.AttemptRecovery(key); });
}

LoginOutcome StoreSession::Finish(const std::function<LoginOutcome(LoginAttempts&)>& attempt)
{
    LoginOutcome outcome;
    if (!attempts_) {
        outcome.kind = LoginOutcome::kFatal;
        outcome.status = E_UNEXPECTED;
    } else {
        outcome = attempt(*attempts_);
    }
    loggedIn_ = outcome.kind == LoginOutcome::kLoggedIn;
    if (outcome.kind != LoginOutcome::kRefused)
        attempts_.reset();  // the steps are over, one way or the other
    lastOutcome_ = outcome;
    return outcome;
}

bool StoreSession::IsHardened()
{
    if (params_.IsUnlocked())
        return params_.IsHardened();
    bool hardened = false;
    return Succeeded(params_.ReadHardened(&hardened)) && hardened;
}

bool StoreSession::HoldsItems() const
{
    QList<DirectoryEntry> entries;
    if (Failed(FileSystem::List(storeFolder_, &entries)))
        return false;
    const QString keyFile = NativePath::LastComponent(keyFile_);
    for (const DirectoryEntry& entry : entries) {
        // The key file and what its own saves leave beside it are no items.
        if (!entry.name.startsWith(keyFile))
            return true;
    }
    return false;
}

Status StoreSession::Setup(const Password& password, const QString& hint, bool harden)
{
    if (HoldsItems())
        return E_STORE_HOLDS_ITEMS;
    return KeyFileJobs::CommitSetup(params_, properties_, password, hint, harden);
}

PasswordChange StoreSession::ChangePassword(const Password& current, const Password& password,
                                            const Password& confirmation, const QString& hint,
                                            Protection protection)
{
    return KeyFileJobs::ApplyChange(params_, properties_, current, password, confirmation, hint, protection);
}

PasswordChange StoreSession::SetRecoveredPassword(const Password& password, const Password& confirmation,
                                                  const QString& hint)
{
    if (!loggedIn_) {
        PasswordChange refused;
        refused.status = E_BAD_STATE;
        return refused;
    }
    return KeyFileJobs::SetRecoveredPassword(params_, properties_, password, confirmation, hint);
}

bool StoreSession::Save(IProgressDlg& dialog, const LanguageManager& languages)
{
    if (!KeyFileJobs::RunSave(params_, properties_, dialog, languages))
        return false;
    (void)params_.HasKeyFile(&setUp_);
    return true;
}

bool StoreSession::Wipe(IProgressDlg& dialog, const QString& title)
{
    store_.reset();
    loggedIn_ = false;
    const bool wiped = KeyFileJobs::RunWipe(params_, properties_, storeFolder_, keyFile_, dialog, title);
    params_.ClearMemory();
    setUp_ = false;
    return wiped;
}

EncryptedStore& StoreSession::Store()
{
    if (!store_)
        store_ = std::make_unique<EncryptedStore>(storeFolder_, params_);
    return *store_;
}

}  // namespace nbr

#include "app/KeyFileJobs.h"

#include "base/IProgressDlg.h"
#include "base/LanguageManager.h"
#include "base/MessageIds.h"
#include "base/ProgressWorker.h"
#include "security/KeyFileLayout.h"
#include "security/Password.h"
#include "security/PasswordRules.h"
#include "security/PropertyStore.h"
#include "security/SecParams.h"
#include "security/SecurityStatus.h"
#include "security/StretchTuning.h"
#include "store/FileUtilities.h"

#include <memory>

namespace nbr {
namespace {

bool RunJob(ProgressWorker::Work work, IProgressDlg& dialog, const QString& title)
{
    dialog.SetTitle(title);
    ProgressWorker worker(100);
    const OwnedThread driver = worker.Start(std::move(work), &dialog);
    if (!driver)
        return false;
    dialog.RunModal(driver.get(), false);
    return !dialog.HasFailed();
}

}  // namespace

Status KeyFileJobs::CommitSetup(SecParams& params, PropertyStore& properties, const Password& password,
                                const QString& hint, bool harden)
{
    // The hint first: one that does not fit is refused before anything changes.
    Status s = properties.StageString(KeyFileLayout::kSlotHint, hint);
    if (Failed(s))
        return s;
    Argon2id::Cost cost;
    if (harden && Failed(s = StretchTuning::Tune(&cost))) {
        properties.DropStaged();
        return s;
    }
    const LockedByteBlock bytes = password.Bytes();
    s = params.CreateNew(bytes.data(), bytes.size(), harden ? &cost : nullptr);
    if (Failed(s))
        properties.DropStaged();
    return s;
}

PasswordChange KeyFileJobs::ApplyChange(SecParams& params, PropertyStore& properties, const Password& current,
                                        const Password& password, const Password& confirmation, const QString& hint,
                                        Protection protection)
{
    PasswordChange result;
    const bool protectionOnly = protection != Protection::Keep && password.IsEmpty() && confirmation.IsEmpty();
    const Password& next = protectionOnly ? current : password;
    const Password& nextConfirmation = protectionOnly ? current : confirmation;
    const PasswordVerdict verdict = PasswordRules::CheckChange(current.View(), next.View(), nextConfirmation.View(),
                                                               Utf16View(hint));
    if (!verdict.valid) {
        result.messageId = verdict.messageId;
        result.argument = verdict.argument;
        return result;
    }
    const LockedByteBlock currentBytes = current.Bytes();
    if (!params.VerifyPassword(currentBytes.data(), currentBytes.size())) {
        result.messageId = msg::kCurrentPasswordWrong;
        return result;
    }
    result.changed = true;
    // The new hint waits for the save of the new record: written now, a crash
    // before that save would leave the old password with the new hint.
    result.status = properties.StageString(KeyFileLayout::kSlotHint, hint);
    if (Failed(result.status))
        return result;
    const LockedByteBlock bytes = next.Bytes();
    Argon2id::Cost cost;
    switch (protection) {
    case Protection::Keep:
        result.status = params.ChangePassword(bytes.data(), bytes.size());
        break;
    case Protection::Plain:
        result.status = params.Rewrap(bytes.data(), bytes.size(), nullptr);
        break;
    case Protection::Hardened:
        result.status = StretchTuning::Tune(&cost);
        if (Succeeded(result.status))
            result.status = params.Rewrap(bytes.data(), bytes.size(), &cost);
        break;
    }
    if (Succeeded(result.status))
        result.messageId = protectionOnly ? msg::kProtectionChanged : msg::kPasswordChanged;
    else
        properties.DropStaged();
    return result;
}

PasswordChange KeyFileJobs::SetRecoveredPassword(SecParams& params, PropertyStore& properties,
                                                 const Password& password, const Password& confirmation,
                                                 const QString& hint)
{
    PasswordChange result;
    const PasswordVerdict verdict = PasswordRules::CheckNew(password.View(), confirmation.View(), Utf16View(hint));
    if (!verdict.valid) {
        result.messageId = verdict.messageId;
        result.argument = verdict.argument;
        return result;
    }
    if (!params.IsUnlocked()) {
        result.status = E_BAD_STATE;
        return result;
    }
    result.changed = true;
    result.status = properties.StageString(KeyFileLayout::kSlotHint, hint);
    if (Failed(result.status))
        return result;
    const LockedByteBlock bytes = password.Bytes();
    result.status = params.ChangePassword(bytes.data(), bytes.size());
    if (Succeeded(result.status))
        result.messageId = msg::kRecoveredPasswordSet;
    else
        properties.DropStaged();
    return result;
}

bool KeyFileJobs::RunBusy(const std::function<void()>& work, IProgressDlg& dialog, const QString& title)
{
    return RunJob(
        [&work] {
            work();
            return 0;
        },
        dialog, title);
}

bool KeyFileJobs::RunSave(SecParams& params, PropertyStore& properties, IProgressDlg& dialog,
                          const LanguageManager& languages)
{
    return RunJob([&params, &properties] { return Succeeded(params.Save(&properties)) ? 0 : 1; }, dialog,
                  languages.GetText(msg::kTitleSavingKey));
}

bool KeyFileJobs::Wipe(SecParams& params, PropertyStore& properties, const QString& storeFolder,
                       const QString& keyFile, IProgressDlg* progress)
{
    (void)properties.WriteString(KeyFileLayout::kSlotWipeMarker, QStringLiteral("true"));
    bool keyGone = params.Erase();
    for (const std::uint32_t slot :
         {KeyFileLayout::kSlotFailedLogins, KeyFileLayout::kSlotCleanShutdown, KeyFileLayout::kSlotHint})
        keyGone = properties.RemoveValue(slot) && keyGone;
    // The key file stays: it is open, and its property area outlives the wipe.
    (void)FileUtilities::DeleteTree(storeFolder, progress, true, false, keyFile);
    if (!keyGone)
        return false;
    return Succeeded(properties.WriteString(KeyFileLayout::kSlotWipeMarker, QStringLiteral("false")));
}

bool KeyFileJobs::RunWipe(SecParams& params, PropertyStore& properties, const QString& storeFolder,
                          const QString& keyFile, IProgressDlg& dialog, const QString& title)
{
    return RunJob([&] { return Wipe(params, properties, storeFolder, keyFile, &dialog) ? 0 : 1; }, dialog, title);
}

}  // namespace nbr

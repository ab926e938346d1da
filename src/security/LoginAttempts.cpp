#include "security/LoginAttempts.h"

#include "app/MessageIds.h"
#include "security/KeyFileLayout.h"
#include "security/Password.h"
#include "security/PasswordRules.h"
#include "security/PropertyStore.h"
#include "security/SecParams.h"
#include "security/SecurityStatus.h"

namespace nbr {

Status LoginAttempts::Open()
{
    Status s = properties_.ReadInt(KeyFileLayout::kSlotFailedLogins, &counter_);
    if (s == E_PROP_NOT_FOUND) {
        counter_ = 0;
        s = properties_.WriteInt(KeyFileLayout::kSlotFailedLogins, 0);
    }
    return s;
}

LoginOutcome LoginAttempts::Attempt(const Password& password)
{
    LoginOutcome outcome;
    // The attempt counts before anything else, so that pulling the stick or
    // killing the program cannot undo it.
    ++counter_;
    outcome.counter = counter_;
    outcome.status = properties_.WriteInt(KeyFileLayout::kSlotFailedLogins, counter_);
    if (Failed(outcome.status)) {
        outcome.kind = LoginOutcome::kFatal;
        return outcome;
    }
    if (counter_ > kWipeAt) {
        outcome.kind = LoginOutcome::kWipe;  // without looking at the password
        return outcome;
    }

    Password typed = password;
    typed.Truncate(PasswordRules::kLoginMaxLength);
    if (typed.Length() < PasswordRules::kMinLength) {
        outcome.messageId = msg::kPasswordTooShort;
        outcome.argument = static_cast<int>(PasswordRules::kMinLength);
    } else {
        const CryptoPP::SecByteBlock bytes = typed.Bytes();
        outcome.status = params_.Unlock(bytes.data(), bytes.size());
        if (Succeeded(outcome.status)) {
            counter_ = 0;
            outcome.counter = 0;
            outcome.kind = LoginOutcome::kLoggedIn;
            (void)properties_.WriteInt(KeyFileLayout::kSlotFailedLogins, 0);
            return outcome;
        }
        if (outcome.status == E_WRONG_PASSWORD)
            outcome.messageId = msg::kLoginWrongPassword;
    }
    if (counter_ == kWarnAt)
        outcome.lastChance = true;
    if (counter_ >= kWipeAt)
        outcome.kind = LoginOutcome::kWipe;
    return outcome;
}

}  // namespace nbr

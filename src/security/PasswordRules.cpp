#include "security/PasswordRules.h"

#include "base/MessageIds.h"

namespace nbr {
namespace {

void Apply(PasswordVerdict& verdict, int messageId, bool valid, int argument = -1)
{
    verdict.messageId = messageId;
    verdict.argument = argument;
    verdict.valid = verdict.valid && valid;
}

}  // namespace

PasswordVerdict PasswordRules::CheckNew(std::u16string_view password, std::u16string_view confirmation,
                                        std::u16string_view hint)
{
    PasswordVerdict verdict;
    if (password.empty())
        Apply(verdict, msg::kNewPasswordEmpty, false, static_cast<int>(kMinLength));
    else if (password.size() < kMinLength)
        Apply(verdict, msg::kPasswordTooShort, false, static_cast<int>(kMinLength));
    else if (password.size() > kMaxLength)
        Apply(verdict, msg::kPasswordTooLong, false, static_cast<int>(kMaxLength));

    const bool confirmed = !confirmation.empty() && confirmation == password;
    if (confirmation.empty())
        Apply(verdict, msg::kConfirmationEmpty, false);
    else if (!confirmed)
        Apply(verdict, msg::kConfirmationDiffers, false);
    else if (verdict.valid)  // a confirmed password of the wrong length keeps the length's text
        Apply(verdict, msg::kPasswordsMatch, true);

    if (confirmed && hint.substr(0, kHintCompared) == password)
        Apply(verdict, msg::kHintRevealsPassword, false);
    if (hint.size() > kMaxHintLength)
        Apply(verdict, msg::kHintTooLong, false, static_cast<int>(kMaxHintLength));
    if (password == u"password")
        Apply(verdict, msg::kPasswordTooCommon, false);
    return verdict;
}

PasswordVerdict PasswordRules::CheckHint(std::u16string_view hint)
{
    PasswordVerdict verdict;
    if (hint.size() > kMaxHintLength)
        Apply(verdict, msg::kHintTooLong, false, static_cast<int>(kMaxHintLength));
    return verdict;
}

PasswordVerdict PasswordRules::CheckChange(std::u16string_view current, std::u16string_view password,
                                           std::u16string_view confirmation, std::u16string_view hint)
{
    PasswordVerdict verdict;
    if (current.empty()) {
        Apply(verdict, msg::kCurrentPasswordEmpty, false);
        return verdict;
    }
    if (current.size() > kMaxLength) {
        Apply(verdict, msg::kCurrentPasswordTooLong, false, static_cast<int>(kMaxLength));
        return verdict;
    }
    return CheckNew(password, confirmation, hint);
}

}  // namespace nbr

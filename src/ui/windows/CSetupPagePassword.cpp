#include "ui/windows/CSetupPagePassword.h"

#include "app/KeyFileJobs.h"
#include "app/StoreSession.h"
#include "base/ErrorText.h"
#include "base/LanguageManager.h"
#include "base/MessageBox.h"
#include "base/MessageIds.h"
#include "security/Password.h"
#include "security/PasswordRules.h"
#include "ui/controls/SecretField.h"
#include "ui/controls/Theme.h"
#include "ui/controls/VelaCheckBox.h"
#include "ui/controls/VelaLabel.h"
#include "ui/panes/ProgressDlg.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace nbr {
CSetupPagePassword::CSetupPagePassword(LanguageManager& languages, StoreSession& session, QWidget* parent)
    : CSetupPage(parent),
      languages_(languages),
      session_(session),
      heading_(new VelaLabel(this)),
      intro_(new VelaLabel(this)),
      passwordLabel_(new VelaLabel(this)),
      confirmationLabel_(new VelaLabel(this)),
      hintLabel_(new VelaLabel(this)),
      password_(new QLineEdit(this)),
      confirmation_(new QLineEdit(this)),
      hint_(new QLineEdit(this)),
      harden_(new VelaCheckBox(QString(), this)),
      hardenText_(new VelaLabel(this)),
      status_(new VelaLabel(this))
{
    heading_->setGeometry(21, 20, 460, 30);
    heading_->SetFontIndex(Theme::kFontMediumBold);
    intro_->setGeometry(21, 56, 460, 48);
    intro_->setWordWrap(true);
    int top = 108;
    for (auto [label, field] : {std::pair {passwordLabel_, password_}, std::pair {confirmationLabel_, confirmation_},
                                std::pair {hintLabel_, hint_}}) {
        label->setGeometry(21, top + 3, 170, 20);
        label->setBuddy(field);
        field->setGeometry(195, top, 280, 24);
        field->setMaxLength(kFieldLength);
        connect(field, &QLineEdit::textChanged, this, &CSetupPagePassword::Validate);
        field->installEventFilter(this);
        top += 32;
    }
    password_->setEchoMode(QLineEdit::Password);
    confirmation_->setEchoMode(QLineEdit::Password);
    hint_->setMaxLength(static_cast<int>(PasswordRules::kMaxHintLength));
    harden_->setGeometry(21, top, 460, 22);
    harden_->installEventFilter(this);
    hardenText_->setGeometry(45, top + 22, 436, 34);
    hardenText_->setWordWrap(true);
    status_->setGeometry(21, top + 58, 460, 34);
    status_->setWordWrap(true);
    setTabOrder(password_, confirmation_);
    setTabOrder(confirmation_, hint_);
    setTabOrder(hint_, harden_);
    UpdateTexts();
}

CSetupPagePassword::~CSetupPagePassword()
{
    // What was typed is overwritten in the fields' own buffers before they go.
    const QString zeros(kFieldLength, QLatin1Char('0'));
    password_->blockSignals(true);
    confirmation_->blockSignals(true);
    password_->setText(zeros);
    confirmation_->setText(zeros);
}

void CSetupPagePassword::OnShown()
{
    Validate();
    password_->setFocus();
}

void CSetupPagePassword::Validate()
{
    const QString password = password_->text();
    const QString confirmation = confirmation_->text();
    const QString hint = hint_->text();
    const PasswordVerdict verdict = PasswordRules::CheckNew(Utf16View(password), Utf16View(confirmation), Utf16View(hint));
    valid_ = verdict.valid;
    status_->SetText(verdict.messageId == 0 ? QString()
                     : verdict.argument >= 0 ? languages_.FormatText(verdict.messageId, {verdict.argument})
                                             : languages_.GetText(verdict.messageId));
    emit NextEnabled(valid_);
}

bool CSetupPagePassword::Leave()
{
    Validate();
    if (!valid_)
        return false;
    const Password password(password_->text());
    const bool harden = harden_->isChecked();
    Status s = S_OK;
    const auto setup = [&] { s = session_.Setup(password, hint_->text(), harden); };
    if (harden) {
        // A few seconds: the tuning, then the stretching itself.
        ProgressDlg dialog(languages_, window());
        if (!KeyFileJobs::RunBusy(setup, dialog, languages_.GetText(msg::kTitleProtectingKey)))
            s = E_FAIL;
    } else {
        setup();
    }
    if (Failed(s)) {
        (void)ShowMessageBox(this, languages_.GetText(msg::kCaptionError), FormatErrorText(languages_, s), mb::kOk,
                             mb::kIconError);
        return false;
    }
    needsSave_ = true;
    // The key holds the password now: the fields have served.
    for (QLineEdit* field : {password_, confirmation_})
        SecretField::Wipe(field);
    status_->SetText(languages_.GetText(msg::kPasswordSet));
    emit NextEnabled(false);
    return true;
}

bool CSetupPagePassword::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            // Enter confirms a valid entry, else leads to the next field.
            if (valid_)
                emit NextRequested();
            else
                static_cast<QWidget*>(watched)->nextInFocusChain()->setFocus(Qt::TabFocusReason);
            return true;
        }
    }
    return CSetupPage::eventFilter(watched, event);
}

void CSetupPagePassword::UpdateTexts()
{
    setAccessibleName(languages_.GetText(msg::kPasswordPageHeading));
    heading_->SetText(languages_.GetText(msg::kPasswordPageHeading));
    intro_->SetText(languages_.GetText(msg::kPasswordPageIntro));
    passwordLabel_->SetText(languages_.GetText(msg::kPasswordPageNew));
    confirmationLabel_->SetText(languages_.GetText(msg::kPasswordPageConfirm));
    hintLabel_->SetText(languages_.GetText(msg::kPasswordPageHint));
    password_->setAccessibleName(passwordLabel_->accessibleName());
    confirmation_->setAccessibleName(confirmationLabel_->accessibleName());
    hint_->setAccessibleName(hintLabel_->accessibleName());
    harden_->setText(languages_.GetText(msg::kHardenCheck));
    hardenText_->SetText(languages_.GetText(msg::kHardenExplanation));
    harden_->setAccessibleDescription(hardenText_->text());
    Validate();
}

}  // namespace nbr

#include "ui/windows/ConfigurationPagePassword.h"

#include "app/KeyFileJobs.h"
#include "app/StoreSession.h"
#include "base/ErrorText.h"
#include "base/LanguageManager.h"
#include "base/MessageBox.h"
#include "base/MessageIds.h"
#include "security/Password.h"
#include "security/RecoveryKey.h"
#include "security/SecParams.h"
#include "security/PasswordRules.h"
#include "ui/controls/DialogMnemonics.h"
#include "ui/controls/SecretField.h"
#include "ui/controls/VelaButton.h"
#include "ui/controls/VelaCheckBox.h"
#include "ui/panes/ProgressDlg.h"
#include "ui/windows/RecoveryKeyDlg.h"

#include <QCheckBox>
#include <QBoxLayout>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

namespace nbr {

ConfigurationPagePassword::ConfigurationPagePassword(LanguageManager& languages, StoreSession& session,
                                                     QWidget* parent)
    : QWidget(parent),
      languages_(languages),
      session_(session),
      current_(new QLineEdit(this)),
      password_(new QLineEdit(this)),
      confirm_(new QLineEdit(this)),
      hint_(new QLineEdit(this)),
      status_(new QLabel(this)),
      apply_(new VelaButton(this, 1)),
      harden_(new VelaCheckBox(QString(), this)),
      hardenText_(new QLabel(this)),
      recovery_(new VelaButton(this, 1))
{
    hardened_ = session_.IsHardened();
    setObjectName(QStringLiteral("PasswordPage"));
    auto* grid = new QGridLayout(this);
    QLineEdit* fields[] = {current_, password_, confirm_, hint_};
    for (int i = 0; i < 4; ++i) {
        labels_[i] = new QLabel(this);
        labels_[i]->setBuddy(fields[i]);
        grid->addWidget(labels_[i], i, 0);
        grid->addWidget(fields[i], i, 1);
        fields[i]->installEventFilter(this);
        connect(fields[i], &QLineEdit::textChanged, this, &ConfigurationPagePassword::Validate);
        if (fields[i] != hint_) {
            fields[i]->setEchoMode(QLineEdit::Password);
            fields[i]->setMaxLength(kFieldLimit);
        }
    }
    hint_->setMaxLength(static_cast<int>(PasswordRules::kMaxHintLength));
    harden_->setChecked(hardened_);
    harden_->installEventFilter(this);
    connect(harden_, &QCheckBox::toggled, this, &ConfigurationPagePassword::Validate);
    grid->addWidget(harden_, 4, 0, 1, 2);
    hardenText_->setWordWrap(true);
    hardenText_->setContentsMargins(24, 0, 0, 0);
    grid->addWidget(hardenText_, 5, 0, 1, 2);
    status_->setObjectName(QStringLiteral("PasswordStatus"));
    status_->setWordWrap(true);
    status_->setMinimumHeight(34);
    grid->addWidget(status_, 6, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    recovery_->setMinimumSize(108, 24);
    apply_->setMinimumSize(108, 24);
    buttons->addWidget(recovery_);
    buttons->addStretch();
    buttons->addWidget(apply_);
    grid->addLayout(buttons, 7, 0, 1, 2);
    connect(apply_, &QPushButton::clicked, this, &ConfigurationPagePassword::Apply);
    connect(recovery_, &QPushButton::clicked, this, &ConfigurationPagePassword::ShowRecoveryKey);
    setTabOrder(current_, password_);
    setTabOrder(password_, confirm_);
    setTabOrder(confirm_, hint_);
    setTabOrder(hint_, harden_);
    setTabOrder(harden_, recovery_);
    setTabOrder(recovery_, apply_);
    languages_.AddListener(this);
    UpdateTexts();
}

ConfigurationPagePassword::~ConfigurationPagePassword()
{
    languages_.RemoveListener(this);
    // What was typed does not stay in the fields' buffers; the hint is no
    // secret and keeps its text.
    ClearPasswords();
}

QString ConfigurationPagePassword::StatusText() const
{
    return status_->text();
}

void ConfigurationPagePassword::Validate()
{
    // A change of the hardening alone keeps the password: the current one
    // stands in for the new.
    const bool protectionOnly =
        harden_->isChecked() != hardened_ && password_->text().isEmpty() && confirm_->text().isEmpty();
    const QString current = current_->text();
    PasswordVerdict verdict =
        PasswordRules::CheckChange(Utf16View(current), Utf16View(protectionOnly ? current : password_->text()),
                                   Utf16View(protectionOnly ? current : confirm_->text()), Utf16View(hint_->text()));
    if (protectionOnly && verdict.valid)
        verdict.messageId = msg::kProtectionOnlyChange;
    QString text;
    if (verdict.messageId > 0)
        text = verdict.argument >= 0 ? languages_.FormatText(verdict.messageId, {verdict.argument})
                                     : languages_.GetText(verdict.messageId);
    status_->setText(text);
    // A screen reader reads what the line says, not the page's title; an
    // empty line keeps the title so the control still has a name.
    status_->setAccessibleName(text.isEmpty() ? languages_.GetText(msg::kSettingsPageTitle) : text);
    apply_->setEnabled(verdict.valid);
}

bool ConfigurationPagePassword::HasPendingChange() const
{
    return !current_->text().isEmpty() || !password_->text().isEmpty() || !confirm_->text().isEmpty()
           || harden_->isChecked() != hardened_;
}

void ConfigurationPagePassword::Run(bool stretches, int titleId, const std::function<void()>& work)
{
    if (!stretches) {
        work();
        return;
    }
    ProgressDlg dialog(languages_, window());
    (void)KeyFileJobs::RunBusy(work, dialog, languages_.GetText(titleId));
}

void ConfigurationPagePassword::ClearPasswords()
{
    for (QLineEdit* field : {current_, password_, confirm_}) {
        const QSignalBlocker block(field);
        SecretField::Wipe(field);
    }
}

bool ConfigurationPagePassword::Apply()
{
    Validate();
    if (!apply_->isEnabled())
        return false;
    const Protection protection = harden_->isChecked() == hardened_ ? Protection::Keep
                                  : harden_->isChecked()            ? Protection::Hardened
                                                                    : Protection::Plain;
    const Password current(current_->text());
    const Password password(password_->text());
    const Password confirmation(confirm_->text());
    PasswordChange change;
    Run(hardened_ || protection == Protection::Hardened, msg::kTitleProtectingKey, [&] {
        change = session_.ChangePassword(current, password, confirmation, hint_->text(), protection);
    });
    changed_ = changed_ || change.changed;
    if (change.changed && Succeeded(change.status))
        hardened_ = session_.IsHardened();
    const QString error = languages_.GetText(msg::kCaptionError);
    if (!change.changed) {
        if (change.messageId == msg::kCurrentPasswordWrong) {
            (void)ShowMessageBox(static_cast<QWidget*>(this), error, languages_.GetText(change.messageId), mb::kOk,
                                 mb::kIconError);
            current_->selectAll();
            current_->setFocus();
        }
        return false;
    }
    if (Failed(change.status)) {
        (void)ShowMessageBox(static_cast<QWidget*>(this), error, FormatErrorText(languages_, change.status), mb::kOk,
                             mb::kIconError);
        return false;
    }
    // The old and new passwords have served: nothing of them stays in the
    // fields, and OK after Apply has nothing left to apply.
    ClearPasswords();
    Validate();
    (void)ShowMessageBox(static_cast<QWidget*>(this), QString(), languages_.GetText(change.messageId), mb::kOk,
                         mb::kIconInformation);
    apply_->setEnabled(false);
    return true;
}

void ConfigurationPagePassword::ShowRecoveryKey()
{
    if (current_->text().isEmpty()) {
        (void)ShowMessageBox(static_cast<QWidget*>(this), QString(), languages_.GetText(msg::kRecoveryKeyNeedsPassword),
                             mb::kOk, mb::kIconInformation);
        current_->setFocus();
        return;
    }
    bool right = false;
    {
        const LockedByteBlock bytes = Password(current_->text()).Bytes();
        Run(hardened_, msg::kTitleCheckingPassword,
            [&] { right = session_.Params().VerifyPassword(bytes.data(), bytes.size()); });
    }
    if (!right) {
        (void)ShowMessageBox(static_cast<QWidget*>(this), languages_.GetText(msg::kCaptionError),
                             languages_.GetText(msg::kCurrentPasswordWrong), mb::kOk, mb::kIconError);
        current_->selectAll();
        current_->setFocus();
        return;
    }
    QString key;
    const Status s = RecoveryKey::Format(session_.Params().GetMasterKey(), &key);
    if (Failed(s)) {
        (void)ShowMessageBox(static_cast<QWidget*>(this), languages_.GetText(msg::kCaptionError),
                             FormatErrorText(languages_, s), mb::kOk, mb::kIconError);
        return;
    }
    RecoveryKeyDlg dialog(languages_, key, window());
    key.fill(QLatin1Char('0'));
    (void)dialog.exec();
}

bool ConfigurationPagePassword::eventFilter(QObject* watched, QEvent* event)
{
    // Enter applies when the page is complete and otherwise moves on, so it
    // never closes the dialog half filled in.
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (apply_->isEnabled())
                Apply();
            else
                focusNextChild();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ConfigurationPagePassword::UpdateTexts()
{
    const int ids[] = {msg::kSettingsCurrentLabel, msg::kSettingsNewLabel, msg::kSettingsConfirmLabel,
                       msg::kSettingsHintLabel};
    QLineEdit* fields[] = {current_, password_, confirm_, hint_};
    for (int i = 0; i < 4; ++i) {
        labels_[i]->setText(languages_.GetText(ids[i]));
        fields[i]->setAccessibleName(QString(labels_[i]->text()).remove(QLatin1Char('&')).trimmed());
    }
    apply_->setText(languages_.GetText(msg::kSettingsApply));
    apply_->setAccessibleName(QString(apply_->text()).remove(QLatin1Char('&')));
    recovery_->setText(languages_.GetText(msg::kRecoveryKeyButton));
    recovery_->setAccessibleName(QString(recovery_->text()).remove(QLatin1Char('&')));
    harden_->setText(languages_.GetText(msg::kHardenCheck));
    hardenText_->setText(languages_.GetText(msg::kHardenExplanation));
    harden_->setAccessibleDescription(hardenText_->text());
    setAccessibleName(languages_.GetText(msg::kSettingsPageTitle));
    Validate();
    // The page may be told of a language change after its dialog.
    AssignDialogMnemonics(window());
}

}  // namespace nbr

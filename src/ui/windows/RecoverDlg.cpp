#include "ui/windows/RecoverDlg.h"

#include "app/KeyFileJobs.h"
#include "app/StoreSession.h"
#include "base/ErrorText.h"
#include "base/LanguageManager.h"
#include "base/MessageBox.h"
#include "base/MessageIds.h"
#include "security/Password.h"
#include "security/PasswordRules.h"
#include "security/RecoveryKey.h"
#include "security/SecurityStatus.h"
#include "ui/controls/DialogMnemonics.h"
#include "ui/controls/SecretField.h"
#include "ui/controls/VelaButton.h"
#include "ui/panes/ProgressDlg.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

namespace nbr {
namespace {
constexpr QSize kClient(500, 300);
constexpr int kFieldLength = 255;
}  // namespace

RecoverDlg::RecoverDlg(LanguageManager& languages, StoreSession& session, QWidget* owner)
    : CCustomDialog(owner),
      languages_(languages),
      session_(session),
      intro_(new QLabel(Client())),
      key_(new QLineEdit(Client())),
      password_(new QLineEdit(Client())),
      confirm_(new QLineEdit(Client())),
      hint_(new QLineEdit(Client())),
      status_(new QLabel(Client())),
      ok_(new VelaButton(Client(), 2)),
      cancel_(new VelaButton(Client(), 2))
{
    setObjectName(QStringLiteral("RecoverDlg"));
    setModal(true);
    auto* layout = new QVBoxLayout(Client());
    intro_->setWordWrap(true);
    layout->addWidget(intro_);
    auto* grid = new QGridLayout;
    QLineEdit* fields[] = {key_, password_, confirm_, hint_};
    for (int i = 0; i < 4; ++i) {
        labels_[i] = new QLabel(Client());
        labels_[i]->setBuddy(fields[i]);
        grid->addWidget(labels_[i], i, 0);
        grid->addWidget(fields[i], i, 1);
        connect(fields[i], &QLineEdit::textChanged, this, &RecoverDlg::Validate);
    }
    // 56 signs with spaces or hyphens between the groups, and some room.
    key_->setMaxLength(100);
    for (QLineEdit* field : {password_, confirm_}) {
        field->setEchoMode(QLineEdit::Password);
        field->setMaxLength(kFieldLength);
    }
    hint_->setMaxLength(static_cast<int>(PasswordRules::kMaxHintLength));
    layout->addLayout(grid);
    status_->setWordWrap(true);
    status_->setMinimumHeight(34);
    layout->addWidget(status_);
    layout->addLayout(ButtonRow({}, {ok_, cancel_}));
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &RecoverDlg::accept);
    connect(cancel_, &QPushButton::clicked, this, &RecoverDlg::reject);
    setTabOrder(key_, password_);
    setTabOrder(password_, confirm_);
    setTabOrder(confirm_, hint_);
    setTabOrder(hint_, ok_);
    setTabOrder(ok_, cancel_);
    SetClientSize(kClient);
    CenterOnOwner();
    languages_.AddListener(this);
    UpdateTexts();
    key_->setFocus();
}

RecoverDlg::~RecoverDlg()
{
    languages_.RemoveListener(this);
    for (QLineEdit* field : {key_, password_, confirm_}) {
        const QSignalBlocker block(field);
        SecretField::Wipe(field);
    }
}

QString RecoverDlg::StatusText() const
{
    return status_->text();
}

void RecoverDlg::Validate()
{
    PasswordVerdict verdict = PasswordRules::CheckNew(Utf16View(password_->text()), Utf16View(confirm_->text()),
                                                      Utf16View(hint_->text()));
    const bool keyGiven = !key_->text().trimmed().isEmpty();
    QString text;
    if (verdict.messageId > 0)
        text = verdict.argument >= 0 ? languages_.FormatText(verdict.messageId, {verdict.argument})
                                     : languages_.GetText(verdict.messageId);
    status_->setText(text);
    status_->setAccessibleName(text.isEmpty() ? windowTitle() : text);
    ok_->setEnabled(verdict.valid && keyGiven);
}

void RecoverDlg::Error(const QString& text)
{
    (void)ShowMessageBox(this, languages_.GetText(msg::kCaptionError), text, mb::kOk, mb::kIconError);
}

void RecoverDlg::End(bool wipe)
{
    if (wipe) {
        ProgressDlg dialog(languages_, this);
        (void)session_.Wipe(dialog, QString());
        Error(languages_.GetText(msg::kStoreDestroyed));
    }
    result_ = Result::kEnding;
    CCustomDialog::reject();
}

void RecoverDlg::accept()
{
    Validate();
    if (!ok_->isEnabled())
        return;
    // A mistyped key is found without the key file: said, and not counted.
    LockedByteBlock key;
    Status s = S_OK;
    {
        const Password typed(key_->text());
        s = RecoveryKey::Parse(typed.View(), &key);
    }
    if (Failed(s)) {
        Error(FormatErrorText(languages_, s));
        key_->setFocus();
        return;
    }
    const LoginOutcome outcome = session_.AttemptRecovery(key);
    if (outcome.kind != LoginOutcome::kLoggedIn) {
        if (outcome.messageId != 0)
            Error(outcome.argument >= 0 ? languages_.FormatText(outcome.messageId, {outcome.argument})
                                        : languages_.GetText(outcome.messageId));
        else if (Failed(outcome.status))
            Error(FormatErrorText(languages_, outcome.status));
        if (outcome.kind == LoginOutcome::kRefused) {
            if (outcome.lastChance)
                Error(languages_.GetText(msg::kOneAttemptLeft));
            key_->selectAll();
            key_->setFocus();
            return;
        }
        End(outcome.kind == LoginOutcome::kWipe);
        return;
    }

    PasswordChange change;
    {
        const Password password(password_->text());
        const Password confirmation(confirm_->text());
        const auto apply = [&] { change = session_.SetRecoveredPassword(password, confirmation, hint_->text()); };
        if (session_.IsHardened()) {
            ProgressDlg dialog(languages_, this);
            (void)KeyFileJobs::RunBusy(apply, dialog, languages_.GetText(msg::kTitleProtectingKey));
        } else {
            apply();
        }
    }
    ProgressDlg saving(languages_, this);
    if (!change.changed || Failed(change.status) || !session_.Save(saving, languages_)) {
        // The key in memory and on the stick would no longer agree.
        Error(FormatErrorText(languages_, Failed(change.status) ? change.status : E_SAVE_FAILED));
        End(false);
        return;
    }
    (void)ShowMessageBox(this, QString(), languages_.GetText(msg::kRecoveredPasswordSet), mb::kOk,
                         mb::kIconInformation);
    result_ = Result::kLoggedIn;
    CCustomDialog::accept();
}

void RecoverDlg::UpdateTexts()
{
    CCustomDialog::UpdateTexts();
    setWindowTitle(languages_.GetText(msg::kRecoverTitle));
    intro_->setText(languages_.GetText(msg::kRecoverIntro));
    const int ids[] = {msg::kRecoverKeyLabel, msg::kSettingsNewLabel, msg::kSettingsConfirmLabel,
                       msg::kSettingsHintLabel};
    QLineEdit* fields[] = {key_, password_, confirm_, hint_};
    for (int i = 0; i < 4; ++i) {
        labels_[i]->setText(languages_.GetText(ids[i]));
        fields[i]->setAccessibleName(QString(labels_[i]->text()).remove(QLatin1Char('&')).trimmed());
    }
    ok_->setText(languages_.GetText(msg::kButtonOk));
    cancel_->setText(languages_.GetText(msg::kLoginCancel));
    ok_->setAccessibleName(ok_->text());
    cancel_->setAccessibleName(QString(cancel_->text()).remove(QLatin1Char('&')));
    Validate();
    AssignDialogMnemonics(this);
}

}  // namespace nbr

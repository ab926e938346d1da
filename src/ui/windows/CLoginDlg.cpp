#include "ui/windows/CLoginDlg.h"

#include "app/KeyFileJobs.h"
#include "app/StoreSession.h"
#include "base/ErrorText.h"
#include "base/LanguageManager.h"
#include "base/MessageBox.h"
#include "base/MessageIds.h"
#include "security/KeyFileLayout.h"
#include "security/Password.h"
#include "ui/controls/DialogMnemonics.h"
#include "ui/controls/SecretField.h"
#include "ui/controls/Theme.h"
#include "ui/controls/VelaButton.h"
#include "ui/controls/VelaHyperLink.h"
#include "ui/controls/VelaLabel.h"
#include "ui/panes/ProgressDlg.h"
#include "ui/windows/RecoverDlg.h"

#include <QLineEdit>

namespace nbr {
namespace {
constexpr QSize kClient(420, 272);
constexpr QSize kButton(100, 26);
}  // namespace

CLoginDlg::CLoginDlg(LanguageManager& languages, StoreSession& session, QWidget* owner)
    : CCustomDialog(owner),
      languages_(languages),
      session_(session),
      prompt_(new VelaLabel(Client())),
      passwordLabel_(new VelaLabel(Client())),
      password_(new QLineEdit(Client())),
      login_(new VelaButton(Client(), 2)),
      cancel_(new VelaButton(Client(), 2)),
      hint_(new VelaHyperLink(Client())),
      forgot_(new VelaHyperLink(Client())),
      resetText_(new VelaLabel(Client())),
      reset_(new VelaButton(Client(), 2))
{
    setModal(true);
    languages_.AddListener(this);
    prompt_->setGeometry(20, 14, 380, 36);
    prompt_->setWordWrap(true);
    passwordLabel_->setGeometry(20, 62, 100, 20);
    passwordLabel_->setBuddy(password_);
    password_->setGeometry(124, 58, 276, 26);
    password_->setEchoMode(QLineEdit::Password);
    password_->setMaxLength(kFieldLength);
    hint_->setGeometry(124, 90, 276, 20);
    hint_->setFocusPolicy(Qt::StrongFocus);
    hint_->SetTarget(QStringLiteral("hint"));
    hint_->SetOpener([this](const QString&) { ShowHint(); });
    forgot_->setGeometry(20, 154, 380, 20);
    forgot_->setFocusPolicy(Qt::StrongFocus);
    forgot_->SetTarget(QStringLiteral("forgot"));
    forgot_->SetOpener([this](const QString&) { OnForgot(); });
    login_->setGeometry(QRect(QPoint(kClient.width() - 2 * kButton.width() - 32, 120), kButton));
    cancel_->setGeometry(QRect(QPoint(kClient.width() - kButton.width() - 20, 120), kButton));
    login_->setDefault(true);
    resetText_->setGeometry(20, 188, 270, 60);
    resetText_->setWordWrap(true);
    reset_->setGeometry(QRect(QPoint(kClient.width() - kButton.width() - 20, 194), kButton));
    connect(login_, &QPushButton::clicked, this, &CLoginDlg::accept);
    connect(cancel_, &QPushButton::clicked, this, &CLoginDlg::reject);
    connect(reset_, &QPushButton::clicked, this, &CLoginDlg::OnReset);
    setTabOrder(password_, login_);
    setTabOrder(login_, cancel_);
    setTabOrder(cancel_, hint_);
    setTabOrder(hint_, forgot_);
    setTabOrder(forgot_, reset_);
    SetClientSize(kClient);
    CenterOnOwner();
    UpdateTexts();
    password_->setFocus();
}

CLoginDlg::~CLoginDlg()
{
    password_->setText(QString(kFieldLength, QLatin1Char('0')));
    languages_.RemoveListener(this);
}

bool CLoginDlg::Begin()
{
    const Status s = session_.BeginLogin();
    if (Succeeded(s))
        return true;
    ending_ = true;
    Error(FormatErrorText(languages_, s));
    return false;
}

void CLoginDlg::Error(const QString& text)
{
    (void)ShowMessageBox(this, languages_.GetText(msg::kCaptionError), text, mb::kOk, mb::kIconError);
}

void CLoginDlg::accept()
{
    LoginOutcome outcome;
    {
        const Password password(password_->text());
        const auto attempt = [&] { outcome = session_.Attempt(password); };
        if (session_.IsHardened()) {
            ProgressDlg dialog(languages_, this);
            (void)KeyFileJobs::RunBusy(attempt, dialog, languages_.GetText(msg::kTitleCheckingPassword));
        } else {
            attempt();
        }
    }
    if (outcome.kind == LoginOutcome::kLoggedIn) {
        succeeded_ = true;
        SecretField::Wipe(password_);
        CCustomDialog::accept();
        return;
    }
    if (outcome.messageId != 0) {
        Error(outcome.argument >= 0 ? languages_.FormatText(outcome.messageId, {outcome.argument})
                                    : languages_.GetText(outcome.messageId));
    } else if (Failed(outcome.status)) {
        Error(FormatErrorText(languages_, outcome.status));
    }
    switch (outcome.kind) {
    case LoginOutcome::kRefused:
        if (outcome.lastChance)
            Error(languages_.GetText(msg::kOneAttemptLeft));
        password_->selectAll();
        password_->setFocus();
        return;
    case LoginOutcome::kWipe:
        Wipe(false);
        Error(languages_.GetText(msg::kStoreDestroyed));
        break;
    case LoginOutcome::kFatal:
    case LoginOutcome::kLoggedIn:
        break;
    }
    ending_ = true;
    SecretField::Wipe(password_);
    CCustomDialog::reject();
}

void CLoginDlg::Wipe(bool titled)
{
    ProgressDlg dialog(languages_, this);
    // The store is gone either way as far as this run is concerned.
    (void)session_.Wipe(dialog, titled ? languages_.GetText(msg::kTitleDeleting) : QString());
}

void CLoginDlg::ShowHint()
{
    QString hint;
    (void)session_.Properties().ReadString(KeyFileLayout::kSlotHint, &hint);
    (void)ShowMessageBox(this, languages_.GetText(msg::kCaptionLogin),
                         languages_.GetText(msg::kHintPrefix) + QLatin1Char(' ') + hint, mb::kOk,
                         mb::kIconInformation);
}

void CLoginDlg::OnReset()
{
    const std::uint32_t answer =
        ShowMessageBox(this, languages_.GetText(msg::kCaptionNotice), languages_.GetText(msg::kQuestionReset),
                       mb::kYes | mb::kNo, mb::kIconWarning);
    if (MessageBox::ButtonOf(answer) != mb::kIdYes)
        return;
    ProgressDlg dialog(languages_, this);
    if (session_.Wipe(dialog, languages_.GetText(msg::kTitleDeleting))) {
        (void)ShowMessageBox(this, languages_.GetText(msg::kCaptionNotice), languages_.GetText(msg::kResetDone),
                             mb::kOk, mb::kIconInformation);
    } else {
        Error(languages_.GetText(msg::kResetFailed));
    }
    ending_ = true;
    CCustomDialog::reject();
}

void CLoginDlg::OnForgot()
{
    RecoverDlg dialog(languages_, session_, this);
    (void)dialog.exec();
    switch (dialog.Outcome()) {
    case RecoverDlg::Result::kNone:
        password_->setFocus();
        return;
    case RecoverDlg::Result::kLoggedIn:
        succeeded_ = true;
        SecretField::Wipe(password_);
        CCustomDialog::accept();
        return;
    case RecoverDlg::Result::kEnding:
        ending_ = true;
        SecretField::Wipe(password_);
        CCustomDialog::reject();
        return;
    }
}

void CLoginDlg::UpdateTexts()
{
    CCustomDialog::UpdateTexts();
    setWindowTitle(languages_.GetText(msg::kCaptionLogin));
    prompt_->SetText(languages_.GetText(msg::kLoginPrompt));
    passwordLabel_->SetText(languages_.GetText(msg::kLoginPasswordLabel));
    password_->setAccessibleName(passwordLabel_->accessibleName());
    login_->setText(languages_.GetText(msg::kLoginButton));
    cancel_->setText(languages_.GetText(msg::kLoginCancel));
    hint_->SetText(languages_.GetText(msg::kLoginHintLink));
    forgot_->SetText(languages_.GetText(msg::kForgotPassword));
    resetText_->SetText(languages_.GetText(msg::kLoginResetExplanation));
    reset_->setText(languages_.GetText(msg::kLoginReset));
    AssignDialogMnemonics(this);
}

}  // namespace nbr

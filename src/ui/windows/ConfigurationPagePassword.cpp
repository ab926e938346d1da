#include "ui/windows/ConfigurationPagePassword.h"

#include "app/KeyFileJobs.h"
#include "app/StoreSession.h"
#include "base/ErrorText.h"
#include "base/LanguageManager.h"
#include "base/MessageBox.h"
#include "base/MessageIds.h"
#include "security/Password.h"
#include "security/PasswordRules.h"
#include "ui/controls/DialogMnemonics.h"
#include "ui/controls/SecretField.h"
#include "ui/controls/VelaButton.h"

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
      apply_(new VelaButton(this, 1))
{
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
    status_->setObjectName(QStringLiteral("PasswordStatus"));
    status_->setWordWrap(true);
    status_->setMinimumHeight(34);
    grid->addWidget(status_, 4, 0, 1, 2);
    apply_->setMinimumSize(108, 24);
    grid->addWidget(apply_, 5, 1, Qt::AlignRight);
    connect(apply_, &QPushButton::clicked, this, &ConfigurationPagePassword::Apply);
    setTabOrder(current_, password_);
    setTabOrder(password_, confirm_);
    setTabOrder(confirm_, hint_);
    setTabOrder(hint_, apply_);
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
    const PasswordVerdict verdict =
        PasswordRules::CheckChange(Utf16View(current_->text()), Utf16View(password_->text()), Utf16View(confirm_->text()),
                                   Utf16View(hint_->text()));
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
    return !current_->text().isEmpty() || !password_->text().isEmpty() || !confirm_->text().isEmpty();
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
    const PasswordChange change = session_.ChangePassword(Password(current_->text()), Password(password_->text()),
                                                          Password(confirm_->text()), hint_->text());
    changed_ = changed_ || change.changed;
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
    (void)ShowMessageBox(static_cast<QWidget*>(this), QString(), languages_.GetText(msg::kPasswordChanged), mb::kOk,
                         mb::kIconInformation);
    apply_->setEnabled(false);
    return true;
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
    setAccessibleName(languages_.GetText(msg::kSettingsPageTitle));
    Validate();
    // The page may be told of a language change after its dialog.
    AssignDialogMnemonics(window());
}

}  // namespace nbr

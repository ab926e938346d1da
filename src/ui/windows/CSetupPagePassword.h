#pragma once
// The wizard's password page: password, confirmation and hint, checked as
// they are typed, with one status line, and the choice of a hardened key
// file. Next is enabled exactly when the entry is valid; pressing it applies
// the password to the new key (behind a progress window when hardening,
// which takes a few seconds; the key file is written on the last page). The
// typed passwords are overwritten when the page goes.

#include "ui/windows/CSetupPage.h"

class QCheckBox;
class QLineEdit;

namespace nbr {

class LanguageManager;
class StoreSession;
class VelaLabel;

class CSetupPagePassword final : public CSetupPage {
    Q_OBJECT
public:
    static constexpr int kFieldLength = 255;

    CSetupPagePassword(LanguageManager& languages, StoreSession& session, QWidget* parent);
    ~CSetupPagePassword() override;

    void OnShown() override;
    [[nodiscard]] bool Leave() override;
    void UpdateTexts() override;

    // A password was applied and the key file still has to be written.
    [[nodiscard]] bool NeedsSave() const { return needsSave_; }
    void MarkSaved() { needsSave_ = false; }

    [[nodiscard]] QLineEdit* PasswordField() const { return password_; }
    [[nodiscard]] QLineEdit* ConfirmationField() const { return confirmation_; }
    [[nodiscard]] QLineEdit* HintField() const { return hint_; }
    [[nodiscard]] VelaLabel* StatusLine() const { return status_; }
    [[nodiscard]] QCheckBox* HardenBox() const { return harden_; }
    [[nodiscard]] bool IsValid() const { return valid_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Validate();

    LanguageManager& languages_;
    StoreSession& session_;
    VelaLabel* heading_;
    VelaLabel* intro_;
    VelaLabel* passwordLabel_;
    VelaLabel* confirmationLabel_;
    VelaLabel* hintLabel_;
    QLineEdit* password_;
    QLineEdit* confirmation_;
    QLineEdit* hint_;
    QCheckBox* harden_;
    VelaLabel* hardenText_;
    VelaLabel* status_;
    bool valid_ = false;
    bool needsSave_ = false;
};

}  // namespace nbr

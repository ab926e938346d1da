#pragma once
// The settings dialog's password page: current password, new password with
// its confirmation, the hint, and whether the key file is hardened. The
// rules run on every change and say what is missing; Apply checks the
// current password and changes the key in memory (a change of the
// hardening alone keeps the password). The dialog saves the key file
// afterwards. After the current password, the recovery key is shown on
// request.

#include "base/IMultilangSupport.h"

#include <QWidget>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace nbr {

class LanguageManager;
class StoreSession;

class ConfigurationPagePassword final : public QWidget, public IMultilangSupport {
    Q_OBJECT
public:
    // The fields take at most this many characters.
    static constexpr int kFieldLimit = 255;

    ConfigurationPagePassword(LanguageManager& languages, StoreSession& session, QWidget* parent = nullptr);
    // The password fields are overwritten before they go.
    ~ConfigurationPagePassword() override;

    // A password change was applied: the key file must be saved.
    [[nodiscard]] bool Changed() const { return changed_; }

    [[nodiscard]] QLineEdit* CurrentField() const { return current_; }
    [[nodiscard]] QLineEdit* NewField() const { return password_; }
    [[nodiscard]] QLineEdit* ConfirmField() const { return confirm_; }
    [[nodiscard]] QLineEdit* HintField() const { return hint_; }
    [[nodiscard]] QPushButton* ApplyButton() const { return apply_; }
    [[nodiscard]] QCheckBox* HardenBox() const { return harden_; }
    [[nodiscard]] QPushButton* RecoveryKeyButton() const { return recovery_; }
    [[nodiscard]] QString StatusText() const;

    // Whether the password fields hold anything: a change begun.
    [[nodiscard]] bool HasPendingChange() const;
    // Applies the change the fields hold; true when it was applied (false:
    // incomplete or refused, with the reason shown). The password fields are
    // cleared once the change has served.
    bool Apply();
    // Checks the current password and shows the recovery key.
    void ShowRecoveryKey();
    void UpdateTexts() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Validate();
    // Runs `work`, behind a progress window when it stretches a password.
    void Run(bool stretches, int titleId, const std::function<void()>& work);
    // Overwrites the three password fields' text, then empties them.
    void ClearPasswords();

    LanguageManager& languages_;
    StoreSession& session_;
    QLabel* labels_[4] = {};
    QLineEdit* current_;
    QLineEdit* password_;
    QLineEdit* confirm_;
    QLineEdit* hint_;
    QLabel* status_;
    QPushButton* apply_;
    QCheckBox* harden_;
    QLabel* hardenText_;
    QPushButton* recovery_;
    bool changed_ = false;
    bool hardened_ = false;  // what the key in memory is
};

}  // namespace nbr

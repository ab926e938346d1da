#pragma once
// The first-run setup: the welcome page, the password page and the end page
// that writes the key file, with Back and Next (Finish on the last page).
// Escape cancels the setup before the last page and finishes it there, so a
// written key is never lost to a stray key press.

#include "app/WizardNavigation.h"
#include "ui/controls/CCustomDialog.h"

#include <array>

class QPushButton;

namespace nbr {

class CSetupPage;
class CSetupPageEnd;
class CSetupPagePassword;
class ISplash;
class LanguageManager;
class StoreSession;

class CSetupWizzard final : public CCustomDialog {
    Q_OBJECT
public:
    static constexpr int kPageCount = 3;

    // `splash` (optional) is told that setup is being prepared.
    CSetupWizzard(LanguageManager& languages, StoreSession& session, ISplash* splash, QWidget* owner = nullptr);
    ~CSetupWizzard() override;

    [[nodiscard]] bool IsCompleted() const { return nav_.IsCompleted(); }
    // The key file could not be written; the program ends.
    [[nodiscard]] bool SaveFailed() const { return saveFailed_; }
    [[nodiscard]] const WizardNavigation& Navigation() const { return nav_; }
    [[nodiscard]] CSetupPage* Page(int index) const { return pages_[static_cast<std::size_t>(index)]; }
    [[nodiscard]] CSetupPagePassword* PasswordPage() const { return passwordPage_; }
    [[nodiscard]] QPushButton* NextButton() const { return next_; }
    [[nodiscard]] QPushButton* PrevButton() const { return prev_; }

    void UpdateTexts() override;

public slots:
    // Escape and the close box.
    void reject() override;

protected:
    // The gap between the pages' content and the buttons gives way first.
    int ShrinkBy(int pixels) override;

private:
    void Apply(WizardNavigation::Action action);
    void OnNext();
    void OnPrev();
    void OnPageNextEnabled(bool enabled);

    LanguageManager& languages_;
    WizardNavigation nav_ {kPageCount};
    std::array<CSetupPage*, kPageCount> pages_ {};
    CSetupPagePassword* passwordPage_ = nullptr;
    CSetupPageEnd* endPage_ = nullptr;
    QPushButton* prev_;
    QPushButton* next_;
    bool saveFailed_ = false;
};

}  // namespace nbr

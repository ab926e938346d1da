#pragma once
// The wizard's last page: it writes the new key file (behind a progress
// dialog) as soon as it is shown, and only then says that the store is
// ready and lets Finish be pressed. A failed write ends the setup.

#include "ui/windows/CSetupPage.h"

namespace nbr {

class CSetupPagePassword;
class LanguageManager;
class StoreSession;
class VelaLabel;

class CSetupPageEnd final : public CSetupPage {
    Q_OBJECT
public:
    static constexpr int kBackground = 216;

    CSetupPageEnd(LanguageManager& languages, StoreSession& session, CSetupPagePassword& passwordPage,
                  QWidget* parent);

    void OnShown() override;
    void UpdateTexts() override;

signals:
    // The key file could not be written (its error was shown).
    void SaveFailed();

private:
    void Save();
    void ShowTexts(bool shown);

    LanguageManager& languages_;
    StoreSession& session_;
    CSetupPagePassword& passwordPage_;
    VelaLabel* heading_;
    VelaLabel* text_;
};

}  // namespace nbr

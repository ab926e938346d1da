#pragma once
// The wizard's welcome: what Nimbra will do, and Next to go on.

#include "ui/windows/CSetupPage.h"

namespace nbr {

class LanguageManager;
class VelaLabel;

class CSetupPageStart final : public CSetupPage {
    Q_OBJECT
public:
    static constexpr int kBackground = 216;

    CSetupPageStart(LanguageManager& languages, QWidget* parent);
    void OnShown() override { emit NextEnabled(true); }
    void UpdateTexts() override;

private:
    LanguageManager& languages_;
    VelaLabel* heading_;
    VelaLabel* subtitle_;
    VelaLabel* instructions_;
};

}  // namespace nbr

#include "ui/windows/CSetupPageStart.h"

#include "base/LanguageManager.h"
#include "base/MessageIds.h"
#include "ui/controls/Theme.h"
#include "ui/controls/VelaLabel.h"

namespace nbr {

CSetupPageStart::CSetupPageStart(LanguageManager& languages, QWidget* parent)
    : CSetupPage(parent, kBackground),
      languages_(languages),
      heading_(new VelaLabel(this)),
      subtitle_(new VelaLabel(this)),
      instructions_(new VelaLabel(this))
{
    heading_->setGeometry(21, 30, 454, 50);
    heading_->SetFontIndex(Theme::kFontLargeBold);
    subtitle_->setGeometry(21, 85, 460, 30);
    subtitle_->SetFontIndex(Theme::kFontMedium);
    instructions_->setGeometry(21, 184, 330, 110);
    instructions_->setWordWrap(true);
    UpdateTexts();
}

void CSetupPageStart::UpdateTexts()
{
    setAccessibleName(languages_.GetText(msg::kStartHeading));
    heading_->SetText(languages_.GetText(msg::kStartHeading));
    subtitle_->SetText(languages_.GetText(msg::kStartSubtitle));
    instructions_->SetText(languages_.GetText(msg::kStartInstructions));
}

}  // namespace nbr

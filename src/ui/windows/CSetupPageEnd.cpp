#include "ui/windows/CSetupPageEnd.h"

#include "app/StoreSession.h"
#include "base/ErrorText.h"
#include "base/LanguageManager.h"
#include "base/MessageBox.h"
#include "base/MessageIds.h"
#include "security/SecurityStatus.h"
#include "ui/controls/Theme.h"
#include "ui/controls/VelaLabel.h"
#include "ui/panes/ProgressDlg.h"
#include "ui/windows/CSetupPagePassword.h"

#include <QTimer>

namespace nbr {

CSetupPageEnd::CSetupPageEnd(LanguageManager& languages, StoreSession& session, CSetupPagePassword& passwordPage,
                             QWidget* parent)
    : CSetupPage(parent, kBackground),
      languages_(languages),
      session_(session),
      passwordPage_(passwordPage),
      heading_(new VelaLabel(this)),
      text_(new VelaLabel(this))
{
    heading_->setGeometry(35, 50, 390, 20);
    heading_->SetFontIndex(Theme::kFontBold);
    text_->setGeometry(35, 102, 399, 120);
    text_->setWordWrap(true);
    UpdateTexts();
}

void CSetupPageEnd::OnShown()
{
    ShowTexts(false);
    if (passwordPage_.NeedsSave()) {
        // After the page has been drawn: the progress dialog sits over it.
        QTimer::singleShot(0, this, &CSetupPageEnd::Save);
        return;
    }
    ShowTexts(true);
    emit NextEnabled(true);
}

void CSetupPageEnd::Save()
{
    if (!isVisible() || !passwordPage_.NeedsSave())
        return;
    ProgressDlg dialog(languages_, window());
    if (!session_.Save(dialog, languages_)) {
        (void)ShowMessageBox(this, languages_.GetText(msg::kCaptionError), FormatErrorText(languages_, E_SAVE_FAILED),
                             mb::kOk, mb::kIconError);
        emit SaveFailed();
        return;
    }
    passwordPage_.MarkSaved();
    ShowTexts(true);
    emit NextEnabled(true);
}

void CSetupPageEnd::ShowTexts(bool shown)
{
    heading_->setVisible(shown);
    text_->setVisible(shown);
}

void CSetupPageEnd::UpdateTexts()
{
    setAccessibleName(languages_.GetText(msg::kEndHeading));
    heading_->SetText(languages_.GetText(msg::kEndHeading));
    text_->SetText(languages_.GetText(msg::kEndText));
}

}  // namespace nbr

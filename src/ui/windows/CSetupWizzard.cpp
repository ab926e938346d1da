#include "ui/windows/CSetupWizzard.h"

#include "app/ISplash.h"
#include "base/LanguageManager.h"
#include "base/MessageIds.h"
#include "ui/controls/DialogMnemonics.h"
#include "ui/controls/VelaButton.h"
#include "ui/windows/CSetupPageEnd.h"
#include "ui/windows/CSetupPagePassword.h"
#include "ui/windows/CSetupPageStart.h"

#include <QPainter>
#include <QPushButton>

#include <algorithm>

namespace nbr {
namespace {
constexpr QSize kClient(500, 360);
constexpr QSize kButton(100, 26);
constexpr int kButtonTop = 322;
// What the pages use at most; the buttons may come up to just below it.
constexpr int kContentBottom = 296;
constexpr int kButtonGap = 6;
}  // namespace

CSetupWizzard::CSetupWizzard(LanguageManager& languages, StoreSession& session, ISplash* splash, QWidget* owner)
    : CCustomDialog(owner), languages_(languages), prev_(new VelaButton(Client(), 2)), next_(new VelaButton(Client(), 2))
{
    setModal(true);
    languages_.AddListener(this);
    if (splash)
        splash->SetText(languages_.GetText(msg::kSplashSetup));
    auto* start = new CSetupPageStart(languages_, Client());
    passwordPage_ = new CSetupPagePassword(languages_, session, Client());
    endPage_ = new CSetupPageEnd(languages_, session, *passwordPage_, Client());
    pages_ = {start, passwordPage_, endPage_};
    for (CSetupPage* page : pages_) {
        page->move(0, 0);
        connect(page, &CSetupPage::NextEnabled, this, &CSetupWizzard::OnPageNextEnabled);
        connect(page, &CSetupPage::NextRequested, this, &CSetupWizzard::OnNext);
    }
    connect(endPage_, &CSetupPageEnd::SaveFailed, this, [this] {
        saveFailed_ = true;
        done(Rejected);
    });
    prev_->setGeometry(QRect(QPoint(kClient.width() - 2 * kButton.width() - 28, kButtonTop), kButton));
    next_->setGeometry(QRect(QPoint(kClient.width() - kButton.width() - 16, kButtonTop), kButton));
    next_->setDefault(true);
    connect(next_, &QPushButton::clicked, this, &CSetupWizzard::OnNext);
    connect(prev_, &QPushButton::clicked, this, &CSetupWizzard::OnPrev);
    SetClientSize(kClient);
    CenterOnOwner();
    UpdateTexts();
    Apply(nav_.GoTo(0));
}

CSetupWizzard::~CSetupWizzard()
{
    languages_.RemoveListener(this);
}

int CSetupWizzard::ShrinkBy(int pixels)
{
    const int given = std::clamp(pixels, 0, next_->y() - kContentBottom - kButtonGap);
    if (given == 0)
        return 0;
    for (QPushButton* button : {prev_, next_})
        button->move(button->x(), button->y() - given);
    // The pages end above the buttons, which they would cover otherwise.
    for (CSetupPage* page : pages_)
        page->resize(page->width(), std::min(page->height(), next_->y() - kButtonGap));
    SetClientSize(ClientRect().size() - QSize(0, given));
    return given;
}

void CSetupWizzard::Apply(WizardNavigation::Action action)
{
    switch (action) {
    case WizardNavigation::Action::kComplete:
        accept();
        return;
    case WizardNavigation::Action::kCancel:
        CCustomDialog::reject();
        return;
    case WizardNavigation::Action::kShowPage:
        break;
    }
    next_->setEnabled(false);
    prev_->setEnabled(nav_.PrevEnabled());
    next_->setText(languages_.GetText(nav_.NextLabelId()));
    AssignDialogMnemonics(this);
    for (int i = 0; i < kPageCount; ++i) {
        if (i != nav_.Current())
            Page(i)->hide();
    }
    CSetupPage* page = Page(nav_.Current());
    page->show();
    page->OnShown();
}

void CSetupWizzard::OnPageNextEnabled(bool enabled)
{
    if (sender() != Page(nav_.Current()))
        return;
    next_->setEnabled(enabled);
    if (enabled && !focusWidget())
        next_->setFocus();
}

void CSetupWizzard::OnNext()
{
    if (!next_->isEnabled() || !Page(nav_.Current())->Leave())
        return;
    Apply(nav_.Next());
}

void CSetupWizzard::OnPrev()
{
    if (prev_->isEnabled())
        Apply(nav_.Prev());
}

void CSetupWizzard::reject()
{
    const WizardNavigation::Action action = nav_.Escape(next_->isEnabled());
    if (action != WizardNavigation::Action::kShowPage)
        Apply(action);
}

void CSetupWizzard::UpdateTexts()
{
    CCustomDialog::UpdateTexts();
    setWindowTitle(QStringLiteral("Nimbra- Orvane") + languages_.GetText(msg::kWizardTitleSuffix));
    prev_->setText(languages_.GetText(msg::kButtonPrev));
    next_->setText(languages_.GetText(nav_.NextLabelId()));
    for (CSetupPage* page : pages_) {
        if (page)
            page->UpdateTexts();
    }
    AssignDialogMnemonics(this);
}

}  // namespace nbr

#include "ui/windows/CMessageBoxDlg.h"

#include "app/MessageBoxLayout.h"
#include "base/LanguageManager.h"
#include "base/MessageBox.h"
#include "base/MessageIds.h"
#include "ui/controls/Artwork.h"
#include "ui/controls/DialogMnemonics.h"
#include "ui/controls/VelaButton.h"
#include "ui/controls/VelaCheckBox.h"
#include "ui/controls/VelaLabel.h"
#include "ui/controls/VelaPicture.h"
#include "ui/windows/CSplashScreenEx.h"

#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

namespace nbr {
namespace {

// The boxes in their modal loops now, on the GUI thread.
QList<CMessageBoxDlg*>& OpenBoxes()
{
    static QList<CMessageBoxDlg*> boxes;
    return boxes;
}

// The name assistive technology reads for an icon picture.
int IconName(int icon)
{
    switch (icon) {
    case mb::kIconWarning: return msg::kBoxIconWarning;
    case mb::kIconError: return msg::kBoxIconError;
    default: return msg::kBoxIconInformation;
    }
}

bool HasSound(int icon)
{
    return icon == mb::kIconWarning || icon == mb::kIconError || icon == mb::kIconInformation;
}

VelaPicture* Picture(QWidget* parent, int number)
{
    auto* picture = new VelaPicture(number, parent);
    picture->setFixedSize(Artwork::Size(number));
    return picture;
}

}  // namespace

CMessageBoxDlg::CMessageBoxDlg(const MessageBoxRequest& request, const LanguageManager& languages, QWidget* owner)
    : CCustomDialog(owner), request_(request), languages_(languages)
{
    setModal(true);
    Build();
}

QWidget* CMessageBoxDlg::OwnerOf(const MessageBoxRequest& request, const MessageBoxHosts& hosts)
{
    // A worker names the window by address; it may have gone since.
    if (request.owner) {
        const QWidgetList live = QApplication::allWidgets();
        for (QWidget* w : live) {
            if (w == request.owner && w->isWindow())
                return w;
        }
    }
    return hosts.mainWindow;
}

void CMessageBoxDlg::Build()
{
    QWidget* client = Client();
    const bool hasIcon = request_.icon != 0 && Artwork::Has(request_.icon);
    const bool hasBanner = request_.banner != 0 && Artwork::Has(request_.banner);
    const bool hasCheck = !request_.checkText.isEmpty();

    MessageBoxParts parts;
    parts.resizable = false;
    if (hasIcon) {
        icon_ = Picture(client, request_.icon);
        icon_->setAccessibleName(languages_.GetText(IconName(request_.icon)));
        parts.icon = icon_->size();
    }
    text_ = new VelaLabel(request_.text, client);
    text_->setTextFormat(Qt::PlainText);
    text_->setWordWrap(true);
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Lines wrap beyond a width that fits any screen the box is shown on.
    int maxWidth = kMaxTextWidth;
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        maxWidth = std::min(maxWidth, screen->availableGeometry().width() * 2 / 3);
    const QFontMetrics metrics(text_->font());
    const QRect measured = request_.text.isEmpty()
        ? QRect()
        : metrics.boundingRect(QRect(0, 0, maxWidth, 1 << 20), Qt::TextWordWrap | Qt::TextExpandTabs, request_.text);
    parts.text = QSize(measured.width() + 1, measured.height());
    if (hasBanner) {
        banner_ = Picture(client, request_.banner);
        banner_->setAccessibleName(languages_.GetText(msg::kBoxBanner));
        parts.banner = banner_->size();
    }
    if (hasCheck) {
        check_ = new VelaCheckBox(request_.checkText, client);
        const QFontMetrics checkMetrics(check_->font());
        parts.check = QSize(checkMetrics.horizontalAdvance(request_.checkText), checkMetrics.height());
    }
    const auto buttons = MessageBox::Buttons(request_.buttons);
    parts.buttons = static_cast<int>(buttons.size());

    const MessageBoxGeometry g = MessageBoxLayout::Compute(parts);
    if (icon_)
        icon_->move(g.icon.topLeft());
    text_->setGeometry(g.text);
    if (banner_)
        banner_->move(g.banner.topLeft());
    if (check_)
        check_->setGeometry(g.check);

    const std::uint32_t defaultId = MessageBox::DefaultButton(request_.buttons);
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        const std::uint32_t id = buttons[i].id;
        // The button Enter presses is drawn as the main action.
        auto* button = new VelaButton(client, id == defaultId ? 2 : 0);
        button->setProperty("nbrButtonId", id);
        button->setGeometry(g.buttons[static_cast<int>(i)]);
        button->setAutoDefault(true);
        if (id == defaultId) {
            button->setDefault(true);
            button->setFocus();
        }
        connect(button, &QPushButton::clicked, this, [this, id] { Press(id); });
        buttons_ << button;
    }
    SetClientSize(g.window - QSize(2 * MessageBoxLayout::kBorder,
                                   MessageBoxLayout::kHeader + 2 * MessageBoxLayout::kBorder));
    UpdateTexts();
}

void CMessageBoxDlg::UpdateTexts()
{
    CCustomDialog::UpdateTexts();
    setWindowTitle(request_.title.isEmpty() ? languages_.GetText(msg::kCaptionNotice) : request_.title);
    const auto buttons = MessageBox::Buttons(request_.buttons);
    for (std::size_t i = 0; i < buttons.size() && i < static_cast<std::size_t>(buttons_.size()); ++i)
        buttons_[static_cast<int>(i)]->setText(languages_.GetText(buttons[i].labelId));
    if (icon_)
        icon_->setAccessibleName(languages_.GetText(IconName(request_.icon)));
    text_->setAccessibleName(request_.text);
    AssignDialogMnemonics(this);
}

QPushButton* CMessageBoxDlg::Button(std::uint32_t id) const
{
    for (QPushButton* b : buttons_) {
        if (b->property("nbrButtonId").toUInt() == id)
            return b;
    }
    return nullptr;
}

void CMessageBoxDlg::Press(std::uint32_t id)
{
    answer_ = MessageBox::Compose(id, check_ && check_->isChecked());
    done(static_cast<int>(id));
}

void CMessageBoxDlg::reject()
{
    Press(MessageBox::EscapeButton(request_.buttons));
}

void CMessageBoxDlg::CloseAll()
{
    for (CMessageBoxDlg* box : OpenBoxes()) {
        if (box->isVisible())
            box->reject();
    }
}

std::uint32_t CMessageBoxDlg::Show(const MessageBoxRequest& request, const LanguageManager& languages,
                                   const MessageBoxHosts& hosts)
{
    QPointer<QWidget> splash = hosts.splash;
    const bool hideSplash = splash && splash->isVisible();
    if (hideSplash)
        splash->hide();
    if (HasSound(request.icon))
        QApplication::beep();
    CMessageBoxDlg box(request, languages, OwnerOf(request, hosts));
    box.CenterOnOwner();
    OpenBoxes().append(&box);
    (void)box.exec();
    OpenBoxes().removeAll(&box);
    // Back only if it is still wanted: one that was fading out when the box
    // came must not stay up behind the main window for the rest of the run.
    if (hideSplash && splash) {
        const QVariant wanted = splash->property(CSplashScreenEx::kWanted);
        if (!wanted.isValid() || wanted.toBool())
            splash->show();
    }
    return box.Answer();
}

}  // namespace nbr

#include "ui/controls/VelaHyperLink.h"

#include "ui/controls/Theme.h"

#include <QDesktopServices>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QUrl>

namespace nbr {

VelaHyperLink::VelaHyperLink(QWidget* parent) : VelaLabel(parent)
{
    SetColorIndexes(Theme::kColorLinkText, Theme::kColorLinkDisabled);
    SetFontIndex(Theme::kFontUnderline, false);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    opener_ = [](const QString& target) {
        const QUrl url = QUrl::fromUserInput(target);
        QDesktopServices::openUrl(url);
    };
}

void VelaHyperLink::Open()
{
    if (target_.isEmpty() || !isEnabled())
        return;
    if (opener_)
        opener_(target_);
    emit Opened(target_);
}

void VelaHyperLink::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Open();
    VelaLabel::mouseReleaseEvent(event);
}

void VelaHyperLink::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Space) {
        Open();
        return;
    }
    VelaLabel::keyPressEvent(event);
}

}  // namespace nbr

#include "ui/controls/HeaderMenuTitle.h"

#include "ui/controls/Theme.h"

#include <QMenu>
#include <QPainter>
#include <QPainterPath>

namespace nbr {

namespace {
constexpr int kPadding = 8;
}

HeaderMenuTitle::HeaderMenuTitle(QMenu* menu, QWidget* parent) : QAbstractButton(parent), menu_(menu)
{
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
    setFont(Theme::Instance().Font(Theme::kFontNormal));
    UpdateText();
    connect(this, &QAbstractButton::pressed, this, [this] { emit OpenRequested(this); });
    connect(menu_, &QMenu::aboutToHide, this, [this] {
        open_ = false;
        setDown(false);
        update();
    });
}

void HeaderMenuTitle::UpdateText()
{
    setText(menu_->title());
    // Without the mnemonic marker, which the menu bar does not underline.
    setAccessibleName(QString(menu_->title()).remove(QLatin1Char('&')));
    updateGeometry();
    update();
}

QKeySequence HeaderMenuTitle::Mnemonic(const QString& title)
{
    for (qsizetype i = 0; i + 1 < title.size(); ++i) {
        if (title[i] != QLatin1Char('&'))
            continue;
        const QChar next = title[i + 1];
        if (next == QLatin1Char('&')) {
            ++i;
            continue;
        }
        if (!next.isLetterOrNumber())
            return {};
        // Keys are named by their upper-case letter.
        return QKeySequence(QKeyCombination(Qt::AltModifier, Qt::Key(next.toUpper().unicode())));
    }
    return {};
}

QSize HeaderMenuTitle::sizeHint() const
{
    const QString shown = QString(text()).remove(QLatin1Char('&'));
    return QSize(fontMetrics().horizontalAdvance(shown) + 2 * kPadding, 22);
}

void HeaderMenuTitle::OpenAt(const QPoint& globalPos)
{
    open_ = true;
    update();
    menu_->popup(globalPos);
}

void HeaderMenuTitle::paintEvent(QPaintEvent*)
{
    const Theme& theme = Theme::Instance();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (hot_ || open_ || isDown()) {
        QColor back = theme.ColorOr(Theme::kColorMenuHot, QColor(70, 96, 190));
        back.setAlpha(open_ ? 255 : 170);
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
        painter.fillPath(path, back);
    }
    painter.setPen(theme.ColorOr(Theme::kColorFrameText, Qt::white));
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextShowMnemonic, text());
}

void HeaderMenuTitle::enterEvent(QEnterEvent* event)
{
    hot_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void HeaderMenuTitle::leaveEvent(QEvent* event)
{
    hot_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

}  // namespace nbr

#include "ui/controls/Theme.h"

#include "base/LanguageManager.h"
#include "ui/controls/Artwork.h"

#include <QFontMetrics>
#include <QPainter>

namespace nbr {

namespace {

struct FontRecipe {
    bool dialogFace;
    int height;
    int weight;
    bool underline;
};

constexpr FontRecipe kFonts[Theme::kFontCount] = {
    {false, 13, 400, false}, {false, 13, 700, false}, {false, 13, 400, true}, {true, 13, 400, false},
    {false, 22, 400, false}, {false, 22, 700, false}, {false, 18, 400, false}, {false, 18, 700, false},
    {false, 16, 400, false}, {false, 16, 700, false},
};

// A font's height is the height of its line cell, ascent and descent
// together: pick the pixel size whose cell comes closest.
QFont MakeFont(const FontRecipe& recipe)
{
    QFont font;
    // The sans-serif faces every Linux desktop has; the dialog face prefers
    // the narrower of the two.
    font.setFamilies(recipe.dialogFace ? QStringList {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")}
                                     : QStringList {QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(recipe.weight >= 700 ? QFont::Bold : QFont::Normal);
    font.setUnderline(recipe.underline);
    int best = recipe.height;
    int bestError = 1 << 20;
    for (int px = recipe.height / 2; px <= recipe.height; ++px) {
        font.setPixelSize(px);
        const int error = std::abs(QFontMetrics(font).height() - recipe.height);
        if (error < bestError) {
            bestError = error;
            best = px;
        }
    }
    font.setPixelSize(best);
    return font;
}

// Nimbra's palette: deep blue frames around calm, light client areas.
constexpr QRgb kColors[Theme::kColorCount] = {
    /* 0 */ qRgb(244, 246, 251), qRgb(250, 251, 254), qRgb(255, 255, 255), qRgb(255, 214, 120),
    /* 4 */ qRgb(70, 96, 190), qRgb(40, 52, 96), qRgb(150, 162, 200), qRgb(56, 92, 200),
    /* 8 */ qRgb(38, 61, 150), qRgb(58, 84, 178), qRgb(90, 116, 206), qRgb(120, 146, 222),
    /* 12 */ qRgb(160, 180, 232), qRgb(200, 212, 242), qRgb(228, 234, 250), qRgb(255, 255, 255),
    /* 16 */ qRgb(0, 0, 0), qRgb(40, 40, 40), qRgb(80, 80, 80), qRgb(120, 120, 120),
    /* 20 */ qRgb(160, 160, 160), qRgb(200, 200, 200), qRgb(230, 230, 230), qRgb(245, 245, 245),
    /* 24 */ qRgb(200, 40, 40), qRgb(230, 120, 30), qRgb(40, 150, 70), qRgb(30, 110, 190),
    /* 28 */ qRgb(90, 90, 140), qRgb(64, 64, 192), qRgb(220, 222, 228), qRgb(51, 51, 51),
    /* 32 */ qRgb(25, 25, 25), qRgb(70, 70, 90), qRgb(110, 110, 130), qRgb(220, 222, 228),
    /* 36 */ qRgb(220, 222, 228), qRgb(180, 184, 196), qRgb(140, 146, 166), qRgb(100, 108, 136),
    /* 40 */ qRgb(38, 61, 150), qRgb(240, 240, 255), qRgb(40, 40, 80), qRgb(0, 0, 100),
    /* 44 */ qRgb(24, 40, 110), qRgb(30, 50, 130), qRgb(48, 74, 170), qRgb(66, 96, 190),
    /* 48 */ qRgb(255, 255, 255), qRgb(236, 240, 250), qRgb(214, 222, 244), qRgb(190, 202, 236),
    /* 52 */ qRgb(170, 186, 230), qRgb(130, 150, 210), qRgb(100, 124, 196), qRgb(80, 104, 184),
    /* 56 */ qRgb(60, 80, 160), qRgb(50, 70, 140), qRgb(40, 60, 120), qRgb(30, 48, 100),
    /* 60 */ qRgb(20, 36, 80), qRgb(12, 24, 60), qRgb(6, 12, 40), qRgb(0, 0, 0),
};

}  // namespace

Theme& Theme::Instance()
{
    static Theme theme;
    return theme;
}

Theme::Theme()
{
    for (int i = 0; i < kFontCount; ++i)
        fonts_[i] = MakeFont(kFonts[i]);
    for (int i = 0; i < kColorCount; ++i)
        colors_[i] = QColor(kColors[i]);
}

QString Theme::Text(int id) const
{
    return languages_ ? languages_->GetText(id) : QString();
}

QFont Theme::Font(int index) const
{
    return fonts_[(index >= 0 && index < kFontCount) ? index : 0];
}

std::optional<QColor> Theme::Color(int index) const
{
    // The table has 64 entries: 64 itself is already beyond it.
    if (index < 0 || index >= kColorCount)
        return std::nullopt;
    return colors_[index];
}

QColor Theme::ColorOr(int index, const QColor& fallback) const
{
    return Color(index).value_or(fallback);
}

int Theme::PushButtonBitmap(int kind, int state) const
{
    const auto& images = bitmaps_.pushButtons[(kind >= 0 && kind < kPushButtonKinds) ? kind : 0];
    if (state == kDisabled)
        return images[3];
    if (state < 0 || state >= kPushButtonStates)
        return images[0];
    // Pressed wins over hot and focus; hot over focus.
    if (state & kPressed)
        return images[2];
    if (state & kHot)
        return images[1];
    if (state & kFocused)
        return images[4];
    return images[0];
}

QSize Theme::PushButtonSize(int kind)
{
    return kind == 1 ? QSize(146, 24) : QSize(108, 24);
}

namespace {

// Draws a picture in three (or nine) slices so that its ends keep their size
// when it is stretched: `ends` pixels of the source on each side.
void DrawSliced(QPainter& painter, int number, const QRectF& target, const QRectF& source, qreal endsX, qreal endsY)
{
    const qreal ex = std::min(endsX, std::min(source.width(), target.width()) / 2);
    const qreal ey = std::min(endsY, std::min(source.height(), target.height()) / 2);
    const qreal sx[4] = {source.left(), source.left() + ex, source.right() - ex, source.right()};
    const qreal sy[4] = {source.top(), source.top() + ey, source.bottom() - ey, source.bottom()};
    const qreal tx[4] = {target.left(), target.left() + ex, target.right() - ex, target.right()};
    const qreal ty[4] = {target.top(), target.top() + ey, target.bottom() - ey, target.bottom()};
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            const QRectF s(QPointF(sx[col], sy[row]), QPointF(sx[col + 1], sy[row + 1]));
            const QRectF t(QPointF(tx[col], ty[row]), QPointF(tx[col + 1], ty[row + 1]));
            if (s.width() > 0 && s.height() > 0 && t.width() > 0 && t.height() > 0)
                Artwork::Draw(painter, number, t, s);
        }
    }
}

}  // namespace

void Theme::DrawPushButton(QPainter& painter, const QRectF& target, int kind, int state) const
{
    const int number = PushButtonBitmap(kind, state);
    const QSize size = Artwork::Size(number);
    DrawSliced(painter, number, target, QRectF(QPointF(0, 0), QSizeF(size)), 6, 6);
}

void Theme::DrawStripCell(QPainter& painter, const QRectF& target, bool radio, int cell) const
{
    const int clamped = (cell >= 0 && cell < kStripImages) ? cell : 0;
    Artwork::Draw(painter, radio ? bitmaps_.radioStrip : bitmaps_.checkStrip, target,
                  QRectF(clamped * kStripCell, 0, kStripCell, kStripCell));
}

void Theme::DrawScrollPart(QPainter& painter, const QRectF& target, int part) const
{
    const QRectF source(part * kScrollCell, 0, kScrollCell, kScrollCell);
    if (part >= kTrackVertical) {
        const bool vertical = part == kTrackVertical || part == kThumbVertical;
        DrawSliced(painter, bitmaps_.scrollParts, target, source, vertical ? 0 : 4, vertical ? 4 : 0);
    } else {
        Artwork::Draw(painter, bitmaps_.scrollParts, target, source);
    }
}

void Theme::DrawGroupBox(QPainter& painter, const QRectF& target, int style) const
{
    const auto& p = bitmaps_.groupBox[(style == 1) ? 1 : 0];
    // Corners 4 x 10 at the top and 4 x 4 at the bottom; the edges between
    // them are stretched.
    constexpr qreal side = 4, top = 10, bottom = 4;
    const qreal l = target.left(), r = target.right(), t = target.top(), b = target.bottom();
    const qreal innerW = std::max<qreal>(0, target.width() - 2 * side);
    const qreal innerH = std::max<qreal>(0, target.height() - top - bottom);
    Artwork::Draw(painter, p[0], QRectF(l, t, side, top));
    Artwork::Draw(painter, p[1], QRectF(l + side, t, innerW, top));
    Artwork::Draw(painter, p[2], QRectF(r - side, t, side, top));
    Artwork::Draw(painter, p[3], QRectF(l, t + top, side, innerH));
    Artwork::Draw(painter, p[4], QRectF(l + side, t + top, innerW, innerH));
    Artwork::Draw(painter, p[5], QRectF(r - side, t + top, side, innerH));
    Artwork::Draw(painter, p[6], QRectF(l, b - bottom, side, bottom));
    Artwork::Draw(painter, p[7], QRectF(l + side, b - bottom, innerW, bottom));
    Artwork::Draw(painter, p[8], QRectF(r - side, b - bottom, side, bottom));
}

}  // namespace nbr

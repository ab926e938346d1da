#pragma once
// The process-wide look: which drawing plays which part (by resource number),
// the ten fonts, the colour table, and the pictures derived from them (the
// nine-state push buttons, the check-box and radio strips, the group-box
// pieces, the scroll-bar parts). Filled once at start-up, read by every
// frame and control afterwards. GUI thread only, and only once the
// application object exists: the fonts are measured when it is first used.
//
// A font's height is the height of its line (ascent and descent), as the
// faces it stands in for count it; the family is DejaVu Sans or Liberation
// Sans, whichever the system has.

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>

#include <array>
#include <optional>

class QPainter;

namespace nbr {

class LanguageManager;

struct ThemeBitmaps {
    // The frames' own pictures.
    int headerArt = 541;
    int headerFiller = 553;
    std::array<int, 3> close {547, 550, 563};     // normal, hot, pressed
    std::array<int, 3> maximize {546, 549, 564};
    std::array<int, 3> restore {551, 552, 562};
    std::array<int, 3> minimize {545, 548, 565};
    // The theme's pictures.
    std::array<int, 2> captionIcons {188, 189};
    std::array<int, 6> edgeSlices {185, 186, 187, 190, 191, 145};
    std::array<int, 3> smallMinimize {152, 153, 154};
    std::array<int, 3> smallClose {149, 150, 151};
    // Nine pieces each: top-left, top, top-right, left, centre, right,
    // bottom-left, bottom, bottom-right.
    std::array<std::array<int, 9>, 2> groupBox {{{167, 168, 169, 170, 171, 172, 173, 174, 175},
                                                 {176, 177, 178, 179, 180, 181, 182, 183, 184}}};
    // Five pictures per kind: normal, hot, pressed, disabled, default.
    std::array<std::array<int, 5>, 3> pushButtons {{{156, 157, 158, 155, 222},
                                                    {160, 161, 162, 159, 223},
                                                    {164, 165, 166, 163, 221}}};
    int checkStrip = 147;
    int radioStrip = 146;
    int scrollParts = 148;
    int splash = 130;
    int appIcon = 128;   // the windows' icon
    // The panes' own folder and file pictures, where the icon theme has none.
    int treeFolder = 600;
    int treeFile = 601;
};

class Theme {
public:
    static constexpr int kFontCount = 10;
    static constexpr int kColorCount = 64;
    static constexpr int kPushButtonKinds = 3;
    static constexpr int kPushButtonStates = 9;
    static constexpr int kStripImages = 7;
    static constexpr int kStripCell = 20;

    // Push-button states: bits for hot, pressed and focused (default), and
    // the disabled state on its own.
    enum ButtonState : int { kNormal = 0, kHot = 1, kPressed = 2, kFocused = 4, kDisabled = 8 };
    // The cells of the check-box and radio strips.
    enum StripCell : int {
        kUnchecked = 0, kUncheckedHot = 1, kUncheckedPressed = 2,
        kChecked = 3, kCheckedHot = 4, kCheckedPressed = 5, kStripDisabled = 6,
    };
    // The cells of the scroll-bar parts (16 x 16 each, in one row).
    enum ScrollPart : int {
        kArrowUp = 0,       // normal, hot, pressed in cells 0..2
        kArrowDown = 3,     // 3..5
        kArrowLeft = 6,     // 6..8
        kArrowRight = 9,    // 9..11
        kTrackVertical = 12,
        kThumbVertical = 13,
        kTrackHorizontal = 14,
        kThumbHorizontal = 15,
    };
    static constexpr int kScrollCell = 16;

    // The fonts by index: 0 regular, 1 bold, 2 underlined, 3 the dialog face,
    // then 22, 18 and 16 pixels high, each regular and bold.
    enum FontIndex : int {
        kFontNormal = 0, kFontBold = 1, kFontUnderline = 2, kFontDialog = 3,
        kFontLarge = 4, kFontLargeBold = 5, kFontMedium = 6, kFontMediumBold = 7,
        kFontSmallTitle = 8, kFontSmallTitleBold = 9,
    };

    // Colour-table entries with a fixed meaning.
    enum ColorIndex : int {
        kColorWindow = 0,        // dialog and client background
        kColorPanel = 1,         // group-box interior
        kColorFrameText = 2,     // texts drawn on the header
        kColorFrameTextHot = 3,
        kColorMenuHot = 4,       // highlight behind a hot menu title
        kColorProgressText = 5,
        kColorEditBorder = 6,
        kColorSelection = 7,
        kColorLinkText = 29,
        kColorLinkDisabled = 30,
        kColorLabelText = 31,
        kColorLabelDark = 32,
        kColorLabelBackground = 35,      // behind labels that fill their box
        kColorLabelDarkBackground = 36,
        kColorLabelDisabled = 38,        // greyed text, still readable on the light client

        kColorBorder = 40,       // the frame's inside border, RGB 38, 61, 150
        kColorOutline1 = 41,
        kColorOutline2 = 42,
        kColorOutline3 = 43,
    };

    [[nodiscard]] static Theme& Instance();

    // Start-up: the pictures by role; the derived lists follow them.
    void SetBitmaps(const ThemeBitmaps& bitmaps) { bitmaps_ = bitmaps; }
    [[nodiscard]] const ThemeBitmaps& Bitmaps() const { return bitmaps_; }

    // Where the frames read their own texts (caption-button names); none:
    // the names stay empty.
    void SetLanguages(const LanguageManager* languages) { languages_ = languages; }
    [[nodiscard]] QString Text(int id) const;

    // The font of `index` (0..9); index 0 for anything out of range.
    [[nodiscard]] QFont Font(int index) const;
    // The colour of `index` (0..63); none beyond the table.
    [[nodiscard]] std::optional<QColor> Color(int index) const;
    [[nodiscard]] QColor ColorOr(int index, const QColor& fallback) const;

    // The drawing of push-button `kind` (0..2) in `state` (0..8).
    [[nodiscard]] int PushButtonBitmap(int kind, int state) const;
    [[nodiscard]] static QSize PushButtonSize(int kind);
    void DrawPushButton(QPainter& painter, const QRectF& target, int kind, int state) const;
    // A cell of the check-box or radio strip.
    void DrawStripCell(QPainter& painter, const QRectF& target, bool radio, int cell) const;
    // A scroll-bar part; thumbs and tracks keep their 4-pixel ends unstretched.
    void DrawScrollPart(QPainter& painter, const QRectF& target, int part) const;
    // A group-box frame of `style` (0 or 1) around `target`.
    void DrawGroupBox(QPainter& painter, const QRectF& target, int style) const;

private:
    Theme();

    ThemeBitmaps bitmaps_;
    std::array<QFont, kFontCount> fonts_;
    std::array<QColor, kColorCount> colors_;
    const LanguageManager* languages_ = nullptr;
};

}  // namespace nbr

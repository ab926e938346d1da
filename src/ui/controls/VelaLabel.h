#pragma once
// A static text drawn by the program: aligned as set, in a theme font chosen
// by index, its colour from the theme's colour table by enabled state.
// Style flag 4 makes it cache its parent's background.

#include "ui/controls/VelaTransparentWnd.h"

namespace nbr {

class VelaLabel : public VelaTransparentWnd {
    Q_OBJECT
public:
    static constexpr unsigned kStyleCacheBackground = 4;

    explicit VelaLabel(QWidget* parent = nullptr);
    VelaLabel(const QString& text, QWidget* parent);

    void SetText(const QString& text);
    void SetFontIndex(int index, bool redraw = true);
    [[nodiscard]] int FontIndex() const { return fontIndex_; }
    void AddStyleFlags(unsigned flags);
    [[nodiscard]] unsigned StyleFlags() const { return styleFlags_; }
    // Colour-table entries for the enabled and disabled text.
    void SetColorIndexes(int enabled, int disabled);
    [[nodiscard]] QColor TextColor() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    int fontIndex_ = 0;
    unsigned styleFlags_ = 0;
    int enabledColor_;
    int disabledColor_;
};

}  // namespace nbr

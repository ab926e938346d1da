#pragma once
// A check box drawn from the theme's 20-pixel check strip, its text in the
// theme font. The radio button shares its drawing.

#include <QCheckBox>

namespace nbr {

// The strip cell for a button's state, shared by both kinds.
[[nodiscard]] int StripCellFor(bool enabled, bool checked, bool down, bool hot);
[[nodiscard]] QSize StripButtonSizeHint(const QAbstractButton* button);
void PaintStripButton(QAbstractButton* button, bool radio);

class VelaCheckBox : public QCheckBox {
    Q_OBJECT
public:
    explicit VelaCheckBox(const QString& text = {}, QWidget* parent = nullptr);
    [[nodiscard]] QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
};

}  // namespace nbr

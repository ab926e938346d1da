#pragma once
// Shows one drawing of Nimbra's artwork, chosen by resource number, at its
// own size (or stretched to the control when asked).

#include <QWidget>

namespace nbr {

class VelaPicture : public QWidget {
    Q_OBJECT
public:
    explicit VelaPicture(QWidget* parent = nullptr);
    VelaPicture(int bitmap, QWidget* parent);

    void SetBitmap(int bitmap);
    [[nodiscard]] int Bitmap() const { return bitmap_; }
    void SetStretch(bool stretch);
    [[nodiscard]] QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int bitmap_ = 0;
    bool stretch_ = false;
};

}  // namespace nbr

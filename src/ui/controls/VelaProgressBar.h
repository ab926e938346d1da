#pragma once
// A progress bar drawn from two pictures (track and fill) with a
// floating-point position and maximum. GUI thread only: a worker's reports
// reach it through its dialog.

#include <QPixmap>
#include <QWidget>

namespace nbr {

class VelaProgressBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kDefaultTrack = 143;
    static constexpr int kDefaultFill = 144;

    explicit VelaProgressBar(QWidget* parent = nullptr);

    void SetBitmaps(int track, int fill);
    // Style bits are kept for the callers that set them; the drawing is the
    // same for all.
    void SetStyle(unsigned style) { style_ = style; }
    [[nodiscard]] unsigned Style() const { return style_; }
    void SetMaximum(float maximum);
    void SetPosition(float position);
    [[nodiscard]] float Maximum() const { return maximum_; }
    [[nodiscard]] float Position() const { return position_; }
    // The share filled, 0..1: a position beyond the maximum shows full, a
    // maximum of 0 shows empty.
    [[nodiscard]] double Fraction() const;
    [[nodiscard]] QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The picture `number` stretched to `size`, drawn once per size: painting
    // the artwork anew on every refresh cost the transfer behind the dialog.
    [[nodiscard]] const QPixmap& Stretched(int number, QSize size, QPixmap& cache, qint64& key) const;

    int track_ = kDefaultTrack;
    int fill_ = kDefaultFill;
    unsigned style_ = 0;
    float maximum_ = 100.0f;
    float position_ = 0.0f;
    mutable QPixmap trackCache_;
    mutable QPixmap fillCache_;
    mutable qint64 trackKey_ = -1;
    mutable qint64 fillKey_ = -1;
};

}  // namespace nbr

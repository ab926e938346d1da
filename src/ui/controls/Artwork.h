#pragma once
// Nimbra's artwork by resource number. Every picture is a vector drawing in
// the program's resources (":/art/<number>-<role>.svg"), drawn straight onto
// the painter so it stays sharp at any device pixel ratio. Sizes are in
// device-independent pixels. GUI thread only.

#include <QIcon>
#include <QPixmap>
#include <QRectF>
#include <QSize>

class QPainter;

namespace nbr {

class Artwork {
public:
    [[nodiscard]] static bool Has(int number);
    // The drawing's own size; empty when there is no such drawing.
    [[nodiscard]] static QSize Size(int number);
    // Draws the part `source` of the drawing (all of it when empty), in the
    // drawing's coordinates, into `target`.
    static void Draw(QPainter& painter, int number, const QRectF& target, const QRectF& source = {});
    // The drawing (or its part `source`) as a pixmap of `size`, rendered for
    // `ratio`; a null pixmap when there is no such drawing.
    [[nodiscard]] static QPixmap Pixmap(int number, QSize size, qreal ratio, const QRectF& source = {});
    // The drawing as a window icon, rendered at the usual icon sizes.
    [[nodiscard]] static QIcon Icon(int number);
};

}  // namespace nbr

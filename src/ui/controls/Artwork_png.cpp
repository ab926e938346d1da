#include "ui/controls/Artwork.h"

#include <QDir>
#include <QHash>
#include <QImage>
#include <QMap>
#include <QPainter>

// Where no SVG renderer is built (the Windows build: Qt's SVG module has no
// source there), the artwork comes as PNGs rendered from the same drawings
// on the build host, at the scales the program draws at
// (":/art/<number>-<role>@<scale>.png", scale in percent). The drawing picks
// the smallest rendering that is not smaller than the target needs.
static void InitArtResource()
{
    Q_INIT_RESOURCE(nimbra_art);
}

namespace nbr {

namespace {

struct Renderings {
    QMap<int, QString> byScale;  // percent -> resource path
    QMap<int, QImage> loaded;
    QSize size;                  // at 100 %
};

struct Library {
    QHash<int, Renderings> art;

    Library()
    {
        InitArtResource();
        const QDir dir(QStringLiteral(":/art"));
        for (const QString& name : dir.entryList({QStringLiteral("*.png")}, QDir::Files)) {
            bool numbered = false;
            bool scaled = false;
            const int number = name.section(QLatin1Char('-'), 0, 0).toInt(&numbered);
            const int scale = name.section(QLatin1Char('@'), -1).section(QLatin1Char('.'), 0, 0).toInt(&scaled);
            if (numbered && scaled && scale > 0)
                art[number].byScale.insert(scale, dir.filePath(name));
        }
        for (auto it = art.begin(); it != art.end(); ++it) {
            const QImage base(it->byScale.value(100));
            it->size = base.isNull() ? QSize() : base.size();
        }
    }

    const QImage* Image(int number, int percent)
    {
        auto found = art.find(number);
        if (found == art.end() || found->byScale.isEmpty())
            return nullptr;
        auto pick = found->byScale.lowerBound(percent);
        if (pick == found->byScale.end())
            pick = std::prev(found->byScale.end());
        auto image = found->loaded.find(pick.key());
        if (image == found->loaded.end())
            image = found->loaded.insert(pick.key(), QImage(pick.value()));
        return image->isNull() ? nullptr : &*image;
    }
};

Library& Lib()
{
    static Library library;
    return library;
}

}  // namespace

bool Artwork::Has(int number)
{
    return !Size(number).isEmpty();
}

QSize Artwork::Size(int number)
{
    return Lib().art.value(number).size;
}

void Artwork::Draw(QPainter& painter, int number, const QRectF& target, const QRectF& source)
{
    const QSize size = Size(number);
    if (size.isEmpty() || target.isEmpty())
        return;
    const QRectF part = source.isEmpty() ? QRectF(QPointF(0, 0), QSizeF(size)) : source;
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const qreal needed = std::max(target.width() / part.width(), target.height() / part.height()) * ratio;
    const QImage* image = Lib().Image(number, static_cast<int>(needed * 100 + 0.5));
    if (!image)
        return;
    const qreal scale = static_cast<qreal>(image->width()) / size.width();
    const QRectF from(part.x() * scale, part.y() * scale, part.width() * scale, part.height() * scale);
    painter.save();
    painter.setClipRect(target, Qt::IntersectClip);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, *image, from);
    painter.restore();
}

}  // namespace nbr

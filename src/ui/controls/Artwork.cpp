#include "ui/controls/Artwork.h"

#include <QDir>
#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

#include <memory>

// The resource lives in the static library: it has to be registered by hand.
static void InitArtResource()
{
    Q_INIT_RESOURCE(nimbra_art);
}

namespace nbr {

namespace {

struct Library {
    QHash<int, QString> paths;
    QHash<int, std::shared_ptr<QSvgRenderer>> renderers;

    Library()
    {
        InitArtResource();
        const QDir dir(QStringLiteral(":/art"));
        for (const QString& name : dir.entryList({QStringLiteral("*.svg")}, QDir::Files)) {
            bool ok = false;
            const int number = name.section(QLatin1Char('-'), 0, 0).toInt(&ok);
            if (ok)
                paths.insert(number, dir.filePath(name));
        }
    }

    QSvgRenderer* Renderer(int number)
    {
        auto it = renderers.find(number);
        if (it != renderers.end())
            return it->get();
        const QString path = paths.value(number);
        if (path.isEmpty())
            return nullptr;
        auto renderer = std::make_shared<QSvgRenderer>(path);
        if (!renderer->isValid())
            return nullptr;
        renderer->setAspectRatioMode(Qt::IgnoreAspectRatio);
        return renderers.insert(number, renderer)->get();
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
    return Lib().Renderer(number) != nullptr;
}

QSize Artwork::Size(int number)
{
    QSvgRenderer* renderer = Lib().Renderer(number);
    return renderer ? renderer->defaultSize() : QSize();
}

void Artwork::Draw(QPainter& painter, int number, const QRectF& target, const QRectF& source)
{
    QSvgRenderer* renderer = Lib().Renderer(number);
    if (!renderer || target.isEmpty())
        return;
    const QRectF whole(QPointF(0, 0), QSizeF(renderer->defaultSize()));
    renderer->setViewBox(source.isEmpty() ? whole : source);
    painter.save();
    // A part of a drawing must not spill over its neighbours in a strip.
    painter.setClipRect(target, Qt::IntersectClip);
    renderer->render(&painter, target);
    painter.restore();
    renderer->setViewBox(whole);
}

}  // namespace nbr

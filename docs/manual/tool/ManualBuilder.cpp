// Builds one language's user manual as a PDF from its Markdown source, at
// build time: nimbra_manual_builder SOURCE.md OUTPUT.pdf [PICTURE_DIR].
// Pictures named in the source are looked up in PICTURE_DIR; a picture that
// is not there is left out rather than printed as a broken frame.

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QTextStream>
#include <QUrl>

namespace {

constexpr int kResolution = 300;
constexpr qreal kMarginMm = 18.0;
// The width a screenshot takes on the page, in points.
constexpr qreal kPictureWidth = 420.0;

QString WithoutMissingPictures(const QString& source, const QString& pictures)
{
    static const QRegularExpression picture(QStringLiteral(R"(!\[[^\]]*\]\(([^)]+)\)\n?)"));
    QString result = source;
    qsizetype at = 0;
    QRegularExpressionMatch match;
    while ((match = picture.match(result, at)).hasMatch()) {
        if (pictures.isEmpty() || !QFileInfo::exists(pictures + QLatin1Char('/') + match.captured(1))) {
            result.remove(match.capturedStart(), match.capturedLength());
            at = match.capturedStart();
        } else {
            at = match.capturedEnd();
        }
    }
    return result;
}

// Screenshots come at twice the screen's scale: show them at a fixed width.
void FitPictures(QTextDocument& document, const QString& pictures)
{
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.charFormat().isImageFormat())
                continue;
            QTextImageFormat format = fragment.charFormat().toImageFormat();
            const QImage image(pictures + QLatin1Char('/') + format.name());
            if (image.isNull() || image.width() == 0)
                continue;
            // Held as a resource: printing works on a copy of the document,
            // which does not look files up again.
            document.addResource(QTextDocument::ImageResource, QUrl(format.name()), image);
            format.setWidth(kPictureWidth);
            format.setHeight(kPictureWidth * image.height() / image.width());
            QTextCursor cursor(&document);
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.setCharFormat(format);
        }
    }
}

}  // namespace

int main(int argc, char** argv)
{
    // A build machine has no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    QTextStream err(stderr);
    if (args.size() < 3) {
        err << "usage: nimbra_manual_builder SOURCE.md OUTPUT.pdf [PICTURE_DIR]" << Qt::endl;
        return 2;
    }
    QFile source(args[1]);
    if (!source.open(QIODevice::ReadOnly)) {
        err << "cannot read " << args[1] << Qt::endl;
        return 1;
    }
    const QString pictures = args.size() > 3 ? args[3] : QString();
    const QString text = WithoutMissingPictures(QString::fromUtf8(source.readAll()), pictures);

    QTextDocument document;
    if (!pictures.isEmpty())
        document.setBaseUrl(QUrl::fromLocalFile(pictures + QLatin1Char('/')));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(10.5);
    document.setDefaultFont(font);
    document.setMarkdown(text);
    FitPictures(document, pictures);

    QPdfWriter writer(args[2]);
    writer.setResolution(kResolution);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm), QPageLayout::Millimeter));
    writer.setTitle(document.firstBlock().text());
    writer.setCreator(QStringLiteral("Nimbra"));
    document.print(&writer);
    // A look at the first pages without a PDF viewer: NIMBRA_MANUAL_PREVIEW
    // names a PNG that gets them side by side.
    const QString preview = qEnvironmentVariable("NIMBRA_MANUAL_PREVIEW");
    if (!preview.isEmpty()) {
        QTextDocument copy;
        copy.setDefaultFont(font);
        if (!pictures.isEmpty())
            copy.setBaseUrl(document.baseUrl());
        copy.setMarkdown(text);
        FitPictures(copy, pictures);
        const QSizeF page(595 - 2 * 51, 842 - 2 * 51);
        copy.setPageSize(page);
        QImage image(QSize(int(page.width()) * 2 + 30, int(page.height())) * 2, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.scale(2, 2);
        for (int i = 0; i < 2; ++i) {
            painter.save();
            painter.translate(i * (page.width() + 15), -i * page.height());
            copy.drawContents(&painter, QRectF(0, i * page.height(), page.width(), page.height()));
            painter.restore();
        }
        painter.end();
        image.save(preview);
    }
    if (!QFileInfo(args[2]).size()) {
        err << "nothing written to " << args[2] << Qt::endl;
        return 1;
    }
    return 0;
}

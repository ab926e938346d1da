// A small program of the desktop for the drag-and-drop tests: a window that
// takes drops as a file manager does (it records the text/uri-list it got
// and copies the dropped files and folders into a folder, at once or after
// a delay, as file managers copy in the background) and that starts a drag
// of its own files when pressed and dragged, offering copy, move and link
// as file managers do. It never deletes anything, whatever the drop reports.
//
//   droppeer [--title T] [--pos X,Y] [--record FILE] [--into DIR]
//            [--copy-later MS] [--drag PATH]... [--result FILE]
//
// A --drag PATH holding "://" is offered as that URL.
// --record gets the raw text/uri-list of each drop (appended); --result
// gets the action a drag of ours ended with ("copy", "move", "link",
// "none"), one line per drag. Prints "dropped N" or "dragged ACTION" on
// standard output after each.

#include "TestSupport.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QDirIterator>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QTextStream>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>

using nbr::test::CopyTree;

namespace {

const char* ActionName(Qt::DropAction action)
{
    switch (action) {
    case Qt::CopyAction:
        return "copy";
    case Qt::MoveAction:
    case Qt::TargetMoveAction:
        return "move";
    case Qt::LinkAction:
        return "link";
    default:
        return "none";
    }
}

class PeerWindow final : public QWidget {
public:
    PeerWindow(QString record, QString into, int copyLaterMs, QStringList drag, QString result)
        : record_(std::move(record)), into_(std::move(into)), copyLaterMs_(copyLaterMs), drag_(std::move(drag)),
          result_(std::move(result))
    {
        setAcceptDrops(true);
        auto* layout = new QVBoxLayout(this);
        status_ = new QLabel(drag_.isEmpty() ? QStringLiteral("drop here")
                                             : QStringLiteral("drag %1 file(s) from here").arg(drag_.size()),
                             this);
        layout->addWidget(status_);
        resize(300, 200);
    }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override
    {
        if (event->mimeData()->hasUrls())
            event->acceptProposedAction();
    }
    void dragMoveEvent(QDragMoveEvent* event) override
    {
        if (event->mimeData()->hasUrls())
            event->acceptProposedAction();
    }
    void dropEvent(QDropEvent* event) override
    {
        const QByteArray raw = event->mimeData()->data(QStringLiteral("text/uri-list"));
        if (!record_.isEmpty()) {
            QFile file(record_);
            if (file.open(QIODevice::Append))
                file.write(raw);
        }
        QStringList sources;
        for (const QUrl& url : event->mimeData()->urls()) {
            if (url.isLocalFile())
                sources << url.toLocalFile();
        }
        event->setDropAction(Qt::CopyAction);
        event->accept();
        // A file manager copies after the drop has been answered.
        QTimer::singleShot(copyLaterMs_, this, [this, sources] { CopyIn(sources); });
    }
    void mousePressEvent(QMouseEvent* event) override { pressedAt_ = event->position().toPoint(); }
    void mouseMoveEvent(QMouseEvent* event) override
    {
        if (drag_.isEmpty() || !(event->buttons() & Qt::LeftButton)
            || (event->position().toPoint() - pressedAt_).manhattanLength() < QApplication::startDragDistance())
            return;
        auto* files = new QMimeData;
        QList<QUrl> urls;
        // A URL stands for a place of another machine, as a file manager
        // offers a folder of a server.
        for (const QString& path : drag_)
            urls << (path.contains(QLatin1String("://")) ? QUrl(path)
                                                         : QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
        files->setUrls(urls);
        auto* drag = new QDrag(this);
        drag->setMimeData(files);
        const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, Qt::CopyAction);
        if (!result_.isEmpty()) {
            QFile file(result_);
            if (file.open(QIODevice::Append))
                file.write(QByteArray(ActionName(action)) + '\n');
        }
        std::printf("dragged %s\n", ActionName(action));
        std::fflush(stdout);
    }

private:
    void CopyIn(const QStringList& sources)
    {
        int copied = 0;
        for (const QString& source : sources) {
            if (!into_.isEmpty() && CopyTree(source, into_ + u'/' + QFileInfo(source).fileName()))
                ++copied;
        }
        status_->setText(QStringLiteral("dropped %1").arg(copied));
        std::printf("dropped %d\n", copied);
        std::fflush(stdout);
    }

    QString record_;
    QString into_;
    int copyLaterMs_;
    QStringList drag_;
    QString result_;
    QLabel* status_ = nullptr;
    QPoint pressedAt_;
};

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption title(QStringLiteral("title"), QStringLiteral("window title"), QStringLiteral("T"),
                                   QStringLiteral("droppeer"));
    const QCommandLineOption pos(QStringLiteral("pos"), QStringLiteral("window position"), QStringLiteral("X,Y"));
    const QCommandLineOption record(QStringLiteral("record"), QStringLiteral("uri-list log"), QStringLiteral("FILE"));
    const QCommandLineOption into(QStringLiteral("into"), QStringLiteral("copy drops here"), QStringLiteral("DIR"));
    const QCommandLineOption later(QStringLiteral("copy-later"), QStringLiteral("copy delay"), QStringLiteral("MS"),
                                   QStringLiteral("0"));
    const QCommandLineOption drag(QStringLiteral("drag"), QStringLiteral("a file to drag"), QStringLiteral("PATH"));
    const QCommandLineOption result(QStringLiteral("result"), QStringLiteral("drag results"), QStringLiteral("FILE"));
    parser.addOptions({title, pos, record, into, later, drag, result});
    parser.process(app);

    PeerWindow window(parser.value(record), parser.value(into), parser.value(later).toInt(), parser.values(drag),
                      parser.value(result));
    window.setWindowTitle(parser.value(title));
    if (parser.isSet(pos)) {
        const QStringList xy = parser.value(pos).split(u',');
        if (xy.size() == 2)
            window.move(xy.at(0).toInt(), xy.at(1).toInt());
    }
    window.show();
    return app.exec();
}

// The message box, the language dialog and the progress dialog as windows:
// keys and results, a worker's box shown by the main thread, the progress
// dialog's ready, close and cancel rules, and a real transfer into a store
// cancelled from the dialog.

#include "StoreFixture.h"
#include "TestSupport.h"

#include "app/MessageBoxLayout.h"
#include "app/MnemonicAssigner.h"
#include "base/DropFileList.h"
#include "base/MainThreadAnswerer.h"
#include "base/MessageBox.h"
#include "base/MessageIds.h"
#include "base/OwnedThread.h"
#include "base/ProgressWorker.h"
#include "platform/FaultInjection.h"
#include "store/CopyToDeviceThread.h"
#include "store/CopyToTempThread.h"
#include "store/EncryptedStore.h"
#include "store/StoreManifest.h"
#include "store/StoreStatus.h"
#include "ui/controls/VelaLabel.h"
#include "ui/controls/VelaProgressBar.h"
#include "ui/controls/WindowInputGuard.h"
#include "ui/panes/ProgressDlg.h"
#include "ui/windows/CDlgChooseLang.h"
#include "ui/windows/CMessageBoxDlg.h"
#include "ui/windows/CNimbraApp.h"
#include "ui/windows/CSplashScreenEx.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QSemaphore>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <functional>

using namespace nbr;
using namespace nbr::test;

namespace {

MessageBoxRequest Ask(const QString& text, std::uint32_t buttons, int icon = 0, const QString& check = {})
{
    MessageBoxRequest r;
    r.text = text;
    r.buttons = buttons;
    r.icon = icon;
    r.checkText = check;
    return r;
}

struct English {
    LanguageManager languages;
    English()
    {
        languages.AddPack(0, QStringLiteral(NIMBRA_LANG_DIR "/LangENG.json"));
        languages.AddPack(2, QStringLiteral(NIMBRA_LANG_DIR "/LangFRA.json"));
        (void)languages.SelectLanguage(0, true);
    }
};

// Runs `step` every few milliseconds on the GUI thread until it answers true.
void Poll(QObject* context, std::function<bool()> step)
{
    auto* timer = new QTimer(context);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, step = std::move(step)] {
        if (step())
            timer->deleteLater();
    });
    timer->start(2);
}

}  // namespace

class TestDialogs : public QObject {
    Q_OBJECT

private slots:
    void boxKeysAndResult();
    void boxSizeAndTexts();
    void workerBoxShownByMainThread();
    void boxOwner();
    void languageDialog();
    void progressLayout();
    void progressReadyRules();
    void progressCloseOnlyByEnd();
    void progressWorkerRunsBehindDialog();
    void transferCancelledFromDialog();
    void workersRoundTripBehindDialog();
    void progressBesideClosableOwner();
    void forcedEndLeavesNothingWaiting();
};

void TestDialogs::boxKeysAndResult()
{
    English e;
    {
        // Enter presses the first button, Escape the last.
        CMessageBoxDlg box(Ask(QStringLiteral("Replace?"), mb::kYes | mb::kNo | mb::kCancel), e.languages, nullptr);
        box.show();
        QTest::keyClick(&box, Qt::Key_Return);
        QCOMPARE(box.Answer(), mb::kIdYes);
        QVERIFY(!box.isVisible());
    }
    {
        CMessageBoxDlg box(Ask(QStringLiteral("Replace?"), mb::kYes | mb::kNo | mb::kCancel), e.languages, nullptr);
        box.show();
        QTest::keyClick(&box, Qt::Key_Escape);
        QCOMPARE(box.Answer(), mb::kIdCancel);
    }
    {
        // With bit 2, OK is the default although Abort comes first.
        CMessageBoxDlg box(Ask(QStringLiteral("x"), mb::kAbort | mb::kOk), e.languages, nullptr);
        box.show();
        QVERIFY(box.Button(mb::kIdOk)->isDefault());
        QTest::keyClick(&box, Qt::Key_Return);
        QCOMPARE(box.Answer(), mb::kIdOk);
    }
    {
        // The check box adds its bit to whatever closes the box.
        CMessageBoxDlg box(Ask(QStringLiteral("x"), mb::kYes | mb::kNo, mb::kIconWarning, QStringLiteral("Always")),
                           e.languages, nullptr);
        box.show();
        box.CheckBox()->setChecked(true);
        box.Button(mb::kIdNo)->click();
        QCOMPARE(box.Answer(), 0xD110u);
    }
    {
        // No buttons: Escape closes it with 0.
        CMessageBoxDlg box(Ask(QStringLiteral("x"), 0), e.languages, nullptr);
        box.show();
        QTest::keyClick(&box, Qt::Key_Escape);
        QCOMPARE(box.Answer(), 0u);
        QVERIFY(!box.isVisible());
    }
}

void TestDialogs::boxSizeAndTexts()
{
    English e;
    (void)e.languages.SelectLanguage(2, true);
    CMessageBoxDlg box(Ask(QStringLiteral("Short"), mb::kOk | mb::kCancel, mb::kIconError), e.languages, nullptr);
    // Labels from the pack; the title falls back to the program's name.
    QCOMPARE(MnemonicAssigner::Plain(box.Button(mb::kIdCancel)->text()), e.languages.GetText(msg::kButtonCancel));
    QCOMPARE(box.windowTitle(), e.languages.GetText(msg::kCaptionNotice));
    QCOMPARE(box.width(), MessageBoxLayout::kMinWidth);
    QCOMPARE(box.Button(mb::kIdOk)->size(), QSize(108, 24));
    // A long text wraps instead of widening the box past the screen.
    CMessageBoxDlg longBox(Ask(QString(QStringLiteral("word ")).repeated(400), mb::kOk), e.languages, nullptr);
    QVERIFY(longBox.width() <= CMessageBoxDlg::kMaxTextWidth + 46 + 1);
    QVERIFY(longBox.height() > 200);
}

void TestDialogs::workerBoxShownByMainThread()
{
    English e;
    QWidget splash;
    splash.show();
    std::atomic<bool> splashHidden {false};
    MainThreadAnswerer answerer([&](const MessageBoxRequest& r) {
        return CMessageBoxDlg::Show(r, e.languages, MessageBoxHosts {nullptr, &splash});
    });
    // Whoever opens: press No on it, and note that the splash gave way.
    Poll(this, [&] {
        auto* box = qobject_cast<CMessageBoxDlg*>(QApplication::activeModalWidget());
        if (!box)
            return false;
        splashHidden = !splash.isVisible();
        box->Button(mb::kIdNo)->click();
        return true;
    });
    std::atomic<std::uint32_t> answer {1};
    OwnedThread worker(QThread::create([&] {
        answer = answerer.Answer(Ask(QStringLiteral("Merge?"), mb::kYes | mb::kNo, mb::kIconInformation));
    }));
    worker->start();
    QTRY_VERIFY(worker->isFinished());
    QCOMPARE(answer.load(), mb::kIdNo);
    QVERIFY(splashHidden);
    QVERIFY(splash.isVisible());

    // A splash that was fading out when the box came stays down after it.
    splash.setProperty(CSplashScreenEx::kWanted, false);
    Poll(this, [&] {
        auto* box = qobject_cast<CMessageBoxDlg*>(QApplication::activeModalWidget());
        if (!box)
            return false;
        box->Button(mb::kIdOk)->click();
        return true;
    });
    (void)answerer.Answer(Ask(QStringLiteral("Notice"), mb::kOk));
    QVERIFY(!splash.isVisible());
}

void TestDialogs::boxOwner()
{
    English e;
    QWidget main;
    main.setGeometry(100, 100, 800, 600);
    auto* gone = new QWidget;
    const void* goneAddress = gone;
    delete gone;
    MessageBoxRequest request = Ask(QStringLiteral("x"), mb::kOk);
    // A window that has gone since the worker named it: the main window.
    request.owner = goneAddress;
    QCOMPARE(CMessageBoxDlg::OwnerOf(request, MessageBoxHosts {&main, nullptr}), &main);
    QCOMPARE(CMessageBoxDlg::OwnerOf(request, MessageBoxHosts {}), nullptr);
    // A live one is the owner, and the box is centred on it.
    ProgressDlg dialog(e.languages);
    dialog.setGeometry(300, 200, 400, 200);
    dialog.show();
    request.owner = dialog.GetWindowHandle();
    QWidget* owner = CMessageBoxDlg::OwnerOf(request, MessageBoxHosts {&main, nullptr});
    QCOMPARE(owner, static_cast<QWidget*>(&dialog));
    CMessageBoxDlg box(request, e.languages, owner);
    box.CenterOnOwner();
    QVERIFY(qAbs(box.geometry().center().x() - dialog.geometry().center().x()) <= 1);
    QVERIFY(qAbs(box.geometry().center().y() - dialog.geometry().center().y()) <= 1);
}

void TestDialogs::languageDialog()
{
    English e;
    CDlgChooseLang dialog(e.languages);
    QComboBox* list = dialog.List();
    QCOMPARE(list->count(), 4);
    const QStringList names = {QStringLiteral("English"), QStringLiteral("Français"), QStringLiteral("Português"),
                               QStringLiteral("Español")};
    const QList<int> indexes = {0, 2, 7, 6};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(list->itemText(i), names[i]);
        QCOMPARE(list->itemData(i).toInt(), indexes[i]);
    }
    QCOMPARE(list->currentIndex(), 0);
    QVERIFY(!list->accessibleName().isEmpty());
    dialog.show();
    list->setCurrentIndex(1);
    QTest::keyClick(&dialog, Qt::Key_Return);
    QCOMPARE(e.languages.CurrentIndex(), 2);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
}

void TestDialogs::progressLayout()
{
    English e;
    ProgressDlg plain(e.languages);
    plain.Prepare();
    QCOMPARE(plain.ClientRect().size(), QSize(357, 140));
    QVERIFY(!plain.FileBar()->isVisibleTo(&plain));
    QVERIFY(!plain.CancelButton()->isVisibleTo(&plain));
    QCOMPARE(plain.windowTitle(), e.languages.GetText(msg::kTitlePleaseWait));

    ProgressDlg both(e.languages);
    both.SetCancelable(true);
    both.SetSecondBar(true);
    both.Prepare();
    QCOMPARE(both.ClientRect().size(), QSize(357, 170));
    // The file bar takes the upper place.
    QVERIFY(both.FileBar()->isVisibleTo(&both));
    QVERIFY(both.FileBar()->y() < both.JobBar()->y());
    QPushButton* cancel = both.CancelButton();
    QVERIFY(cancel->isVisibleTo(&both));
    QCOMPARE(cancel->geometry().bottom() + 1, 170 - 10);
    QVERIFY(qAbs(cancel->x() * 2 + cancel->width() - 357) <= 1);
    QCOMPARE(MnemonicAssigner::Plain(cancel->text()), e.languages.GetText(msg::kButtonCancel));
    // A language change reaches the dialog at once.
    (void)e.languages.SelectLanguage(2, true);
    QCOMPARE(MnemonicAssigner::Plain(cancel->text()), e.languages.GetText(msg::kButtonCancel));
    QVERIFY(!both.JobBar()->accessibleName().isEmpty());
}

void TestDialogs::progressReadyRules()
{
    English e;
    ProgressDlg dialog(e.languages);
    // Before the window is ready, a worker's Begin and Step are dropped.
    OwnedThread early(QThread::create([&] {
        dialog.Begin(10);
        (void)dialog.Step(5);
    }));
    early->start();
    QVERIFY(early->wait());
    dialog.Prepare();
    dialog.Refresh();
    QCOMPARE(dialog.JobBar()->Position(), 0.0f);

    // With wait-for-window, Begin blocks until the window is ready, and the
    // worker's steps then show; another thread's steps do not.
    ProgressDlg waiting(e.languages);
    waiting.EnableWaitForWindow();
    QSemaphore stepped, otherDone;
    double afterOther = -1;
    std::atomic<bool> begun {false};
    OwnedThread worker(QThread::create([&] {
        waiting.Begin(10);
        begun = true;
        (void)waiting.Step(5);
        stepped.release();
        otherDone.acquire();
        waiting.End(true);
    }));
    worker->start();
    QThread::msleep(50);
    QVERIFY(!begun);
    Poll(this, [&] {
        if (!stepped.tryAcquire())
            return false;
        OwnedThread other(QThread::create([&] { (void)waiting.Step(5); }));
        other->start();
        other->wait();
        waiting.Refresh();
        afterOther = waiting.JobBar()->Fraction();
        otherDone.release();
        return true;
    });
    double shownAtEnd = -1;
    connect(&waiting, &QDialog::finished, this, [&] { shownAtEnd = waiting.JobBar()->Fraction(); });
    (void)waiting.RunModal(worker.get(), false);
    QVERIFY(begun);
    QCOMPARE(afterOther, 0.5);
    QVERIFY(!waiting.HasFailed());
    // End fills the bar.
    QCOMPARE(shownAtEnd, 1.0);
}

void TestDialogs::progressCloseOnlyByEnd()
{
    English e;
    ProgressDlg dialog(e.languages);
    dialog.SetCancelable(true);
    dialog.EnableWaitForWindow();
    OwnedThread worker(QThread::create([&] {
        dialog.Begin(100);
        dialog.SetLine1(QStringLiteral("Copying"));
        while (!dialog.IsCancelled())
            QThread::msleep(2);
        dialog.End(false);
    }));
    worker->start();
    bool openAfterKeys = false;
    QString line1AfterCancel;
    int phase = 0;
    Poll(this, [&] {
        if (!dialog.isVisible())
            return false;
        if (phase++ < 5)
            return false;  // let the worker begin
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QTest::keyClick(&dialog, Qt::Key_Return);
        dialog.close();
        openAfterKeys = dialog.isVisible();
        dialog.CancelButton()->click();
        line1AfterCancel = dialog.Line(1)->text();
        return true;
    });
    (void)dialog.RunModal(worker.get(), false);
    QVERIFY(openAfterKeys);
    QCOMPARE(line1AfterCancel, e.languages.GetText(msg::kCancelling));
    QVERIFY(dialog.IsCancelled());
    QVERIFY(dialog.HasFailed());
    QVERIFY(!dialog.CancelButton()->isEnabled());
    // The run leaves no texts behind for the next.
    QVERIFY(dialog.Line(1)->text().isEmpty());
}

void TestDialogs::progressWorkerRunsBehindDialog()
{
    English e;
    ProgressDlg dialog(e.languages);
    ProgressWorker runner(10);
    const OwnedThread thread = runner.Start([] { return QThread::msleep(150), 0; }, &dialog);
    QVERIFY(thread);
    (void)dialog.RunModal(thread.get(), false);
    QCOMPARE(runner.ExitCode(), 0);
    QVERIFY(!dialog.isVisible());
}

void TestDialogs::transferCancelledFromDialog()
{
    StoreFixture f;
    WriteAll(f.host + QStringLiteral("/kept.txt"), "kept");
    WriteAll(f.host + QStringLiteral("/large.bin"), Pattern(24 << 20));
    // Every write of the worker takes a while, so the dialog shows the
    // large file half done however fast the machine is.
    FaultInjection::Observe([](const char* what) {
        if (qstrcmp(what, "write") == 0)
            QThread::msleep(20);
    });
    ProgressDlg dialog(f.languages);
    dialog.SetCancelable(true);
    dialog.SetSecondBar(true);
    dialog.EnableWaitForWindow();
    CopyToDeviceThread worker(&dialog, *f.store,
                              DropFileList({f.host + QStringLiteral("/kept.txt"), f.host + QStringLiteral("/large.bin")}),
                              QString(), f.languages);
    // Cancel from the dialog while the large file is half done.
    Poll(this, [&] {
        const double done = dialog.FileBar()->Fraction();
        if (done <= 0.0 || done >= 0.75)
            return false;
        dialog.CancelButton()->click();
        return true;
    });
    worker.Start();
    (void)dialog.RunModal(worker.Thread(), false);
    FaultInjection::Observe(nullptr);
    QCOMPARE(worker.GetStatus(), E_ABORTED);
    QVERIFY(dialog.IsCancelled());
    StoreManifest list(f.keys);
    list.Open(EncryptedStore::ManifestPathOf(f.root), true);
    QCOMPARE(list.Entries().size(), std::size_t(1));
    // The stored small file and the two lists: no part of the large one.
    QCOMPARE(QDir(f.root).entryList(QDir::Files | QDir::Hidden).size(), 3);
}

void TestDialogs::workersRoundTripBehindDialog()
{
    // Copy in, copy out and delete, each behind a fresh dialog as the panes
    // run them, without wait-for-window: a Begin that comes before the
    // window is dropped, and the dialog still closes when the worker ends.
    StoreFixture f;
    const QByteArray content = Pattern(3 << 20);
    WriteAll(f.host + QStringLiteral("/a.bin"), content);
    {
        ProgressDlg dialog(f.languages);
        dialog.SetSecondBar(true);
        CopyToDeviceThread in(&dialog, *f.store, DropFileList({f.host + QStringLiteral("/a.bin")}), QString(),
                              f.languages);
        in.Start();
        (void)dialog.RunModal(in.Thread(), false);
        QCOMPARE(in.GetStatus(), S_OK);
    }
    QString stored;
    ManifestEntry entry;
    QCOMPARE(f.store->Resolve(QStringLiteral("a.bin"), &stored, &entry), S_OK);
    const QString out = f.dir.filePath(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(out));
    {
        ProgressDlg dialog(f.languages);
        dialog.EnableWaitForWindow();
        CopyToTempThread back(&dialog, *f.store, {stored}, out + QLatin1Char('/'), f.languages);
        back.Start();
        (void)dialog.RunModal(back.Thread(), false);
        QCOMPARE(back.GetStatus(), S_OK);
    }
    QCOMPARE(ReadAll(out + QStringLiteral("/a.bin")), content);
    {
        ProgressDlg dialog(f.languages);
        ProgressWorker runner;
        Status deleted = E_FAIL;
        const OwnedThread thread = runner.Start([&] { return deleted = f.store->DeleteStoreItem(stored, &dialog), 0; }, &dialog);
        (void)dialog.RunModal(thread.get(), false);
        QCOMPARE(deleted, S_OK);
    }
    QVERIFY(!QFile::exists(stored));
}

void TestDialogs::progressBesideClosableOwner()
{
    // An owner that stays closable: the job runs without modality, the
    // owner's controls ignore the user, its live ones (the close box) do not.
    English e;
    QWidget owner;
    owner.setProperty(ProgressDlg::kOwnerStaysClosable, true);
    auto* control = new QPushButton(QStringLiteral("Paste"), &owner);
    auto* closeBox = new QPushButton(QStringLiteral("Close"), &owner);
    closeBox->move(0, 40);
    closeBox->setProperty(WindowInputGuard::kLive, true);
    int controlClicks = 0;
    int closeClicks = 0;
    connect(control, &QPushButton::clicked, this, [&] { ++controlClicks; });
    connect(closeBox, &QPushButton::clicked, this, [&] { ++closeClicks; });
    owner.show();
    ProgressDlg dialog(e.languages, &owner);
    std::atomic<bool> release {false};
    ProgressWorker runner(10);
    const OwnedThread thread = runner.Start(
        [&] {
            while (!release)
                QThread::msleep(2);
            return 0;
        },
        &dialog);
    bool modalWhileRunning = true;
    Poll(this, [&] {
        if (!dialog.isVisible())
            return false;
        modalWhileRunning = QApplication::activeModalWidget() != nullptr;
        QTest::mouseClick(control, Qt::LeftButton);
        QTest::keyClick(control, Qt::Key_Space);
        QTest::mouseClick(closeBox, Qt::LeftButton);
        release = true;
        return true;
    });
    (void)dialog.RunModal(thread.get(), false);
    QVERIFY(!modalWhileRunning);
    QCOMPARE(controlClicks, 0);
    QCOMPARE(closeClicks, 1);
    QVERIFY(ProgressDlg::Running().isEmpty());
    // The guard goes with the job.
    QTest::mouseClick(control, Qt::LeftButton);
    QCOMPARE(controlClicks, 1);
}

void TestDialogs::forcedEndLeavesNothingWaiting()
{
    // The program is forced to end (the stick was pulled) while a worker
    // behind a progress window waits on a question: the question and the
    // window close, the worker gets its answer and sees the job cancelled,
    // and the ending loops do not wait for ever on each other.
    English e;
    MainThreadAnswerer answerer(
        [&](const MessageBoxRequest& r) { return CMessageBoxDlg::Show(r, e.languages, MessageBoxHosts {}); });
    IMessageBoxAnswerer* before = MessageBox::Installed();
    MessageBox::Install(&answerer);
    ProgressDlg dialog(e.languages);
    dialog.EnableWaitForWindow();
    std::atomic<std::uint32_t> answer {1};
    std::atomic<bool> sawCancel {false};
    std::atomic<int> askedAfter {-1};
    OwnedThread worker(QThread::create([&] {
        dialog.Begin(10);
        answer = ShowMessageBox(nullptr, QString(), QStringLiteral("Replace it?"), mb::kYes | mb::kNo, mb::kIconWarning);
        sawCancel = dialog.IsCancelled();
        // A question after the release is not asked at all.
        askedAfter = static_cast<int>(
            ShowMessageBox(nullptr, QString(), QStringLiteral("And this?"), mb::kYes | mb::kNo, mb::kIconWarning));
        dialog.End(false);
    }));
    worker->start();
    bool boxClosed = false;
    bool dialogClosed = false;
    Poll(this, [&] {
        auto* box = qobject_cast<CMessageBoxDlg*>(QApplication::activeModalWidget());
        if (!box || !dialog.isVisible())
            return false;
        CNimbraApp::StopRunningWork(&answerer);
        boxClosed = !box->isVisible();
        dialogClosed = !dialog.isVisible();
        // As the program's end does: every event loop is told to exit.
        QCoreApplication::exit(2);
        return true;
    });
    QElapsedTimer took;
    took.start();
    (void)dialog.RunModal(worker.get(), false);
    const qint64 elapsed = took.elapsed();
    MessageBox::Install(before);
    // The loops that exit() ended: start and end one, for the tests after.
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    (void)QCoreApplication::exec();
    QVERIFY(boxClosed);
    QVERIFY(dialogClosed);
    QVERIFY(worker->isFinished());
    QVERIFY(sawCancel);
    QVERIFY(answer != mb::kIdYes);
    QCOMPARE(askedAfter.load(), 0);
    QVERIFY2(elapsed < 10000, qPrintable(QString::number(elapsed)));
}

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"

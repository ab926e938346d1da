// The rules of the message box and the progress dialog without a window:
// the box's geometry at its boundaries, a worker's box answered on the main
// thread (and released when that thread ends), and the progress reporting's
// ready, owner, cancel and finish rules; the Alt+letters a window's
// controls get from their texts.

#include "app/MessageBoxLayout.h"
#include "app/MnemonicAssigner.h"
#include "app/ScreenFit.h"
#include "base/MainThreadAnswerer.h"
#include "base/MessageBox.h"
#include "base/OwnedThread.h"
#include "base/ProgressState.h"

#include <QEventLoop>
#include <QSemaphore>
#include <QTest>
#include <QThread>

#include <atomic>

using namespace nbr;

namespace {

MessageBoxRequest Ask(const QString& text, std::uint32_t buttons)
{
    MessageBoxRequest r;
    r.text = text;
    r.buttons = buttons;
    return r;
}

// Waits for a worker to block, without running the main thread's events.
void AwaitWaiting(const MainThreadAnswerer& answerer)
{
    for (int i = 0; i < 5000 && answerer.Waiting() == 0; ++i)
        QThread::msleep(1);
}

}  // namespace

class TestDialogRules : public QObject {
    Q_OBJECT

private slots:
    void boxWidth();
    void boxHeightAndPlacement();
    void boxButtonRules();
    void workerBoxAnsweredOnMainThread();
    void workerReleasedWhenMainThreadEnds();
    void progressReadyAndWaitForWindow();
    void progressOwnerThread();
    void progressCancelAndFinish();
    void progressNotifiesOncePerView();
    void mnemonics_data();
    void mnemonics();
    void mnemonicsAfterLanguageChange();
    void mnemonicsKeepThePacksOwnMarks();
    void screenFit_data();
    void screenFit();
};

void TestDialogRules::boxWidth()
{
    // The minimum holds until a part needs more, each by its own formula.
    QCOMPARE(MessageBoxLayout::Compute({QSize(379, 13), {}, {}, {}, 1}).window.width(), 425);
    QCOMPARE(MessageBoxLayout::Compute({QSize(380, 13), {}, {}, {}, 1}).window.width(), 426);
    QCOMPARE(MessageBoxLayout::Compute({QSize(300, 13), QSize(32, 32), {}, {}, 1}).window.width(), 425);
    QCOMPARE(MessageBoxLayout::Compute({QSize(340, 13), QSize(32, 32), {}, {}, 1}).window.width(), 438);
    QCOMPARE(MessageBoxLayout::Compute({QSize(10, 13), {}, QSize(400, 60), {}, 1}).window.width(), 440);
    QCOMPARE(MessageBoxLayout::Compute({QSize(10, 13), {}, {}, {}, 3}).window.width(), 425);
    QCOMPARE(MessageBoxLayout::Compute({QSize(10, 13), {}, {}, {}, 4}).window.width(), 490);
    QCOMPARE(MessageBoxLayout::Compute({QSize(10, 13), {}, {}, QSize(366, 13), 1}).window.width(), 426);
}

void TestDialogRules::boxHeightAndPlacement()
{
    // Text only, no buttons: 73 + text + 15.
    MessageBoxGeometry g = MessageBoxLayout::Compute({QSize(100, 13), {}, {}, {}, 0});
    QCOMPARE(g.window.height(), 101);
    QVERIFY(g.buttons.isEmpty());
    QCOMPARE(g.text.topLeft(), QPoint(20, 15));
    QCOMPARE(MessageBoxLayout::Compute({QSize(100, 13), {}, {}, {}, 0, true}).window.height(), 105);

    // Everything: the icon is taller than the text, so the text is centred
    // beside it; the check box is at least 20 high.
    g = MessageBoxLayout::Compute({QSize(100, 26), QSize(32, 40), QSize(200, 50), QSize(80, 13), 2});
    QCOMPARE(g.window.height(), 73 + 55 + 65 + 39 + 35);
    QCOMPARE(g.icon, QRect(20, 15, 32, 40));
    QCOMPARE(g.text, QRect(72, 22, 100, 26));
    const int client = g.window.width() - 8;
    QCOMPARE(g.banner, QRect((client - 200) / 2, 70, 200, 50));
    QCOMPARE(g.check.topLeft(), QPoint(20, 135));
    QCOMPARE(g.check.height(), 20);
    QCOMPARE(g.buttons.size(), 2);
    QCOMPARE(g.buttons[0].top(), 170);
    QCOMPARE(g.buttons[1].left() - g.buttons[0].left(), 114);
    QCOMPARE(g.buttons[0].size(), QSize(108, 24));
    // The row is centred, and the box ends 15 below it (frame: 4 + 50 + 4).
    QVERIFY(qAbs(g.buttons[0].left() - (client - g.buttons[1].right() - 1)) <= 1);
    QCOMPARE(g.buttons[0].bottom() + 1 + 15 + 58, g.window.height());
}

void TestDialogRules::boxButtonRules()
{
    // Order and labels follow the table, not the bits.
    const auto all = MessageBox::Buttons(0x7F);
    QCOMPARE(all.size(), std::size_t(7));
    QCOMPARE(all.front().id, mb::kIdAbort);
    QCOMPARE(all[2].id, mb::kIdYes);
    QCOMPARE(all[4].id, mb::kIdRetry);
    QCOMPARE(all.back().id, mb::kIdCancel);
    // OK is the default whenever it is there, even when not first.
    QCOMPARE(MessageBox::DefaultButton(mb::kAbort | mb::kOk), mb::kIdOk);
    QCOMPARE(MessageBox::DefaultButton(mb::kYes | mb::kNo | mb::kCancel), mb::kIdYes);
    QCOMPARE(MessageBox::EscapeButton(mb::kYes | mb::kNo | mb::kCancel), mb::kIdCancel);
    QCOMPARE(MessageBox::EscapeButton(0), 0u);
    QCOMPARE(MessageBox::Compose(mb::kIdNo, true), 0xD110u);
    QCOMPARE(MessageBox::ButtonOf(MessageBox::Compose(mb::kIdNo, true)), mb::kIdNo);
    QVERIFY(!MessageBox::IsTicked(MessageBox::Compose(mb::kIdIgnore, false)));
}

void TestDialogRules::workerBoxAnsweredOnMainThread()
{
    std::atomic<Qt::HANDLE> shownOn {nullptr};
    MainThreadAnswerer answerer([&](const MessageBoxRequest& r) {
        shownOn = QThread::currentThreadId();
        return r.text == QLatin1String("q") ? mb::kIdNo : 0;
    });
    // On the main thread, at once.
    QCOMPARE(answerer.Answer(Ask(QStringLiteral("q"), mb::kYes | mb::kNo)), mb::kIdNo);

    std::atomic<std::uint32_t> answer {1};
    OwnedThread worker(QThread::create([&] {
        answer = answerer.Answer(Ask(QStringLiteral("q"), mb::kYes | mb::kNo));
    }));
    shownOn = nullptr;
    worker->start();
    // The worker waits until the main thread gets round to the box.
    AwaitWaiting(answerer);
    QCOMPARE(answerer.Waiting(), 1);
    QThread::msleep(50);
    QCOMPARE(answer.load(), 1u);
    QTRY_VERIFY(worker->isFinished());
    QCOMPARE(answer.load(), mb::kIdNo);
    QCOMPARE(shownOn.load(), QThread::currentThreadId());
}

void TestDialogRules::workerReleasedWhenMainThreadEnds()
{
    // A "main thread" of its own that ends while a worker waits, without
    // ever running the box.
    std::atomic<int> shown {0};
    MainThreadAnswerer* answerer = nullptr;
    QSemaphore made, ending;
    OwnedThread main(QThread::create([&] {
        MainThreadAnswerer local([&](const MessageBoxRequest&) { return ++shown, mb::kIdOk; });
        answerer = &local;
        made.release();
        ending.acquire();
        // Leaving the thread's function destroys the answerer, as the end of
        // the program does.
    }));
    main->start();
    made.acquire();
    std::atomic<std::uint32_t> answer {1};
    OwnedThread worker(QThread::create([&] { answer = answerer->Answer(Ask({}, mb::kOk)); }));
    worker->start();
    AwaitWaiting(*answerer);
    QCOMPARE(answerer->Waiting(), 1);
    ending.release();
    QVERIFY(worker->wait(5000));
    QVERIFY(main->wait(5000));
    QCOMPARE(answer.load(), 0u);
    QCOMPARE(shown.load(), 0);

    // Released on the main thread: later questions get 0 without a box.
    MainThreadAnswerer here([&](const MessageBoxRequest&) { return ++shown, mb::kIdOk; });
    here.Release();
    QCOMPARE(here.Answer(Ask({}, mb::kOk)), 0u);
    OwnedThread late(QThread::create([&] { answer = here.Answer(Ask({}, mb::kOk)); }));
    late->start();
    QVERIFY(late->wait(5000));
    QCoreApplication::processEvents();
    QCOMPARE(shown.load(), 0);
}

void TestDialogRules::progressReadyAndWaitForWindow()
{
    // (Dropping before the window and waiting for it are checked through the
    // windowless progress, which keeps the same state.)
    ProgressState state;
    state.SetReady(true);
    QVERIFY(state.Begin(10));
    QVERIFY(state.End(true));
    state.SetReady(false);
    QVERIFY(!state.Step(1));

    // A window that goes away releases a Begin waiting for it.
    state.SetWaitForWindow(true);
    std::atomic<bool> begun {true};
    OwnedThread worker(QThread::create([&] { begun = state.Begin(5); }));
    worker->start();
    QThread::msleep(20);
    state.SetReady(false);
    QVERIFY(worker->wait(5000));
    QVERIFY(!begun);
}

void TestDialogRules::progressOwnerThread()
{
    ProgressState state;
    state.SetReady(true);
    QVERIFY(state.Begin(100));
    bool within = false;
    QVERIFY(state.Step(60, &within));
    QVERIFY(within);
    // Another thread's calls change nothing.
    OwnedThread other(QThread::create([&] {
        (void)state.Step(30);
        (void)state.BeginFile(9);
        (void)state.End(false);
        (void)state.Begin(1);
    }));
    other->start();
    QVERIFY(other->wait());
    ProgressState::View v = state.TakeView();
    QCOMPARE(v.position, 60.0f);
    QCOMPARE(v.maximum, 100.0f);
    QCOMPARE(v.fileMaximum, 0.0f);
    QVERIFY(!v.finished);
    QVERIFY(state.Step(50, &within));
    QVERIFY(!within);
    // SetOwnerThread hands the job to another reporter.
    Qt::HANDLE otherId = nullptr;
    other.reset(QThread::create([&] {
        otherId = QThread::currentThreadId();
        (void)state.StepFile(1);
    }));
    state.SetOwnerThread(nullptr);
    other->start();
    QVERIFY(other->wait());
    QVERIFY(!state.Step(1));  // neither the old owner nor the new: no owner
}

void TestDialogRules::progressCancelAndFinish()
{
    ProgressState state;
    state.SetReady(true);
    QVERIFY(state.Begin(4));
    state.SetLine1(QStringLiteral("Copying"));
    // Not cancelable: the flag is set, line 1 stays.
    state.Cancel(QStringLiteral("Cancelling..."));
    QVERIFY(state.IsCancelled());
    QCOMPARE(state.TakeView().line1, QStringLiteral("Copying"));
    state.SetCancelable(true);
    state.Cancel(QStringLiteral("Cancelling..."));
    QCOMPARE(state.TakeView().line1, QStringLiteral("Cancelling..."));
    // Cancelled until a new job begins after End.
    QVERIFY(state.Begin(6));  // the same job, past its counting
    QVERIFY(state.IsCancelled());
    QVERIFY(state.Step(1));
    QVERIFY(state.IsCancelled());
    QVERIFY(state.End(false));
    QVERIFY(state.HasFailed());
    QVERIFY(state.IsFinished());
    ProgressState::View v = state.TakeView();
    QCOMPARE(v.position, v.maximum);
    // End gave up the ownership: another thread may begin the next job.
    OwnedThread next(QThread::create([&] { (void)state.Begin(2); }));
    next->start();
    QVERIFY(next->wait());
    QVERIFY(!state.IsCancelled());
    QVERIFY(!state.HasFailed());
    QVERIFY(!state.IsFinished());

    // A Cancel pressed while a job still counts its work, before its first
    // Begin, ends that job too.
    ProgressState counting;
    counting.SetReady(true);
    counting.SetCancelable(true);
    counting.Cancel(QStringLiteral("Cancelling..."));
    QVERIFY(counting.Begin(10));
    QVERIFY(counting.IsCancelled());
}

void TestDialogRules::progressNotifiesOncePerView()
{
    ProgressState state;
    int notified = 0;
    state.SetNotify([&] { ++notified; });
    state.SetReady(true);
    QVERIFY(state.Begin(1000));
    for (int i = 0; i < 100; ++i) {
        (void)state.Step(1);
        state.SetLine3(QString::number(i));
    }
    QCOMPARE(notified, 1);
    QCOMPARE(state.TakeView().line3, QStringLiteral("99"));
    (void)state.Step(1);
    QCOMPARE(notified, 2);
}

void TestDialogRules::mnemonics_data()
{
    QTest::addColumn<QStringList>("plain");
    QTest::addColumn<QStringList>("marked");
    QTest::newRow("word starts first") << QStringList {"Log in", "Cancel", "Reset", "Password:"}
                                       << QStringList {"&Log in", "&Cancel", "&Reset", "&Password:"};
    // "Save" takes S; "Set up" keeps its word start U instead of S.
    QTest::newRow("collision: another word start") << QStringList {"Save", "Set up", "Search"}
                                                   << QStringList {"&Save", "Set &up", "S&earch"};
    // The second round hands out inner letters only after every word start.
    QTest::newRow("collision: inner letter last") << QStringList {"Open", "Ok", "Other"}
                                                  << QStringList {"&Open", "O&k", "O&ther"};
    QTest::newRow("case does not make a new letter") << QStringList {"yes", "Yield"}
                                                     << QStringList {"&yes", "Y&ield"};
    // Accented letters are passed over, the same base letter stays free.
    QTest::newRow("accented letters") << QStringList {"Éditer", "Ação", "Ajuda", "Étape"}
                                      << QStringList {"É&diter", "&Ação", "A&juda", "É&tape"};
    QTest::newRow("punctuation starts a word") << QStringList {"< Back", "Next >", "Load", "l'espace"}
                                               << QStringList {"< &Back", "&Next >", "&Load", "l'&espace"};
    QTest::newRow("all letters taken") << QStringList {"ab", "ba", "AB!", "", "12"}
                                       << QStringList {"&ab", "&ba", "AB!", "", "12"};
    QTest::newRow("a '&' of the text is kept") << QStringList {"Cut & paste", "& more"}
                                               << QStringList {"&Cut && paste", "&& &more"};
}

void TestDialogRules::mnemonics()
{
    QFETCH(QStringList, plain);
    QFETCH(QStringList, marked);
    const QStringList got = MnemonicAssigner::Assign(plain);
    QCOMPARE(got, marked);
    QString letters;
    for (qsizetype i = 0; i < got.size(); ++i) {
        QCOMPARE(MnemonicAssigner::Plain(got.at(i)), plain.at(i));
        const QChar letter = MnemonicAssigner::LetterOf(got.at(i));
        if (letter.isNull())
            continue;
        QVERIFY2(!letters.contains(letter), qPrintable(got.join(u'|')));
        letters += letter;
    }
}

void TestDialogRules::mnemonicsKeepThePacksOwnMarks()
{
    // A pack text that marks its letter keeps it (drawn once, not as "&C"),
    // and the others are given letters around it.
    QCOMPARE(MnemonicAssigner::Assign({"Cancel", "&Current password:", "C&onfirm new password:", "A&pply"}),
             (QStringList {"C&ancel", "&Current password:", "C&onfirm new password:", "A&pply"}));
    QCOMPARE(MnemonicAssigner::Plain(QStringLiteral("C&onfirm new password:")), QStringLiteral("Confirm new password:"));
    // Two packs' marks on one letter: the first keeps it, the second gets another.
    QCOMPARE(MnemonicAssigner::Assign({"&Save", "&Search"}), (QStringList {"&Save", "S&earch"}));
    // "&&" and "& " are the text's own '&', not marks.
    QCOMPARE(MnemonicAssigner::Assign({"Tom && Jerry", "Cut & paste"}), (QStringList {"&Tom &&&& Jerry", "&Cut && paste"}));
}

void TestDialogRules::mnemonicsAfterLanguageChange()
{
    // The same window in two languages: the letters follow the new texts
    // and the old ones leave no trace.
    const QStringList english = MnemonicAssigner::Assign({"OK", "Cancel", "Apply", "Current password:"});
    QCOMPARE(english, (QStringList {"&OK", "&Cancel", "&Apply", "Current &password:"}));
    const QStringList french =
        MnemonicAssigner::Assign({"OK", "Annuler", "Appliquer", "Mot de passe actuel :"});
    QCOMPARE(french, (QStringList {"&OK", "&Annuler", "A&ppliquer", "&Mot de passe actuel :"}));
}

void TestDialogRules::screenFit_data()
{
    QTest::addColumn<QRect>("wanted");
    QTest::addColumn<QSize>("minimum");
    QTest::addColumn<QRect>("fitted");
    // The free area of a 1280 x 800 screen at scale 2, below a 20-pixel panel.
    QTest::newRow("fits as it is") << QRect(10, 30, 300, 200) << QSize() << QRect(10, 30, 300, 200);
    QTest::newRow("moved in from the right and bottom")
        << QRect(500, 350, 300, 200) << QSize() << QRect(340, 200, 300, 200);
    QTest::newRow("header above the top") << QRect(100, -75, 300, 200) << QSize() << QRect(100, 20, 300, 200);
    QTest::newRow("larger than the screen: shrunk into it")
        << QRect(-5, -74, 650, 549) << QSize(444, 162) << QRect(0, 20, 640, 380);
    QTest::newRow("fixed size too tall: the header stays on")
        << QRect(54, -36, 532, 492) << QSize(532, 492) << QRect(54, 20, 532, 492);
    QTest::newRow("a saved place on a screen that is gone")
        << QRect(2400, 1300, 650, 549) << QSize(444, 162) << QRect(0, 20, 640, 380);
}

void TestDialogRules::screenFit()
{
    QFETCH(QRect, wanted);
    QFETCH(QSize, minimum);
    QFETCH(QRect, fitted);
    QCOMPARE(ScreenFit::Fit(wanted, QRect(0, 20, 640, 380), minimum), fitted);
    // No screen known: as wanted.
    QCOMPARE(ScreenFit::Fit(wanted, QRect(), minimum), wanted);
}

QTEST_GUILESS_MAIN(TestDialogRules)
#include "tst_dialogrules.moc"

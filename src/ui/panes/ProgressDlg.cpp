#include "ui/panes/ProgressDlg.h"

#include "base/ErrorText.h"
#include "base/LanguageManager.h"
#include "base/MessageBox.h"
#include "base/MessageIds.h"
#include "ui/controls/DialogMnemonics.h"
#include "ui/controls/VelaButton.h"
#include "ui/controls/VelaLabel.h"
#include "ui/controls/VelaProgressBar.h"
#include "ui/controls/WindowInputGuard.h"

#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <cmath>

namespace nbr {
namespace {

// The window's client area and its parts, in pixels.
constexpr QSize kClient(357, 140);
constexpr QRect kLine1(24, 6, 309, 30);
constexpr QRect kLine2(24, 40, 309, 15);
constexpr QRect kLine3(24, 55, 309, 15);
constexpr QRect kUpperBar(24, 72, 309, 11);
constexpr QRect kLowerBar(24, 86, 309, 11);
constexpr QSize kCancelSize(108, 24);
constexpr int kCancelBottomGap = 10;
constexpr unsigned kBarStyle = 6;

// `text` cut to `lines` lines of `width`, ending in an ellipsis when it was cut.
QString Elided(const QFontMetrics& metrics, const QString& text, int width, int lines)
{
    if (lines <= 1)
        return metrics.elidedText(text, Qt::ElideRight, width);
    const QRect all = metrics.boundingRect(QRect(0, 0, width, 1 << 20), Qt::TextWordWrap, text);
    if (all.height() <= metrics.lineSpacing() * lines)
        return text;
    return metrics.elidedText(text, Qt::ElideRight, width * lines - metrics.averageCharWidth() * 4);
}

// GUI thread only, as the dialogs are.
QList<ProgressDlg*>& RunningDialogs()
{
    static QList<ProgressDlg*> dialogs;
    return dialogs;
}

VelaProgressBar* MakeBar(QWidget* parent)
{
    auto* bar = new VelaProgressBar(parent);
    bar->SetStyle(kBarStyle);
    bar->SetBitmaps(VelaProgressBar::kDefaultTrack, VelaProgressBar::kDefaultFill);
    return bar;
}

}  // namespace

ProgressDlg::ProgressDlg(LanguageManager& languages, QWidget* parent)
    : CCustomDialog(parent), languages_(languages)
{
    setModal(true);
    QWidget* client = Client();
    for (VelaLabel*& line : lines_) {
        line = new VelaLabel(client);
        line->setTextFormat(Qt::PlainText);
    }
    lines_[0]->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lines_[0]->setWordWrap(true);
    bar_ = MakeBar(client);
    fileBar_ = MakeBar(client);
    cancel_ = new VelaButton(client, 0);
    cancel_->setAutoDefault(false);
    connect(cancel_, &QPushButton::clicked, this, [this] { OnCancel(); });
    refreshTimer_ = new QTimer(this);
    refreshTimer_->setSingleShot(true);
    connect(refreshTimer_, &QTimer::timeout, this, [this] { Refresh(); });
    // From a worker: one queued refresh until the dialog has taken the view.
    state_.SetNotify([this] { QMetaObject::invokeMethod(this, [this] { ScheduleRefresh(); }, Qt::QueuedConnection); });
    languages_.AddListener(this);
}

ProgressDlg::~ProgressDlg()
{
    languages_.RemoveListener(this);
    FinishWindow();
    state_.SetNotify(nullptr);
}

VelaLabel* ProgressDlg::Line(int number) const
{
    return number >= 1 && number <= 3 ? lines_[number - 1] : nullptr;
}

void ProgressDlg::Begin(std::uint32_t total)
{
    (void)state_.Begin(total);
}

void ProgressDlg::End(bool success)
{
    (void)state_.End(success);
}

bool ProgressDlg::Step(std::uint32_t delta)
{
    bool within = false;
    return state_.Step(delta, &within) && within;
}

void ProgressDlg::BeginFile(std::uint32_t total)
{
    (void)state_.BeginFile(total);
}

void ProgressDlg::EndFile(std::uint32_t)
{
    (void)state_.EndFile();
}

bool ProgressDlg::StepFile(std::uint32_t delta)
{
    bool within = false;
    return state_.StepFile(delta, &within) && within;
}

void ProgressDlg::SetOwnerThread(Qt::HANDLE thread)
{
    state_.SetOwnerThread(thread);
}

void ProgressDlg::ReportError(Status code, std::uint32_t systemError, std::initializer_list<TextArg> args)
{
    if (code == 0 && systemError == 0)
        return;
    QString text;
    if (code != 0)
        text = FormatErrorText(languages_, code, args);
    if (systemError != 0) {
        const QString line = ErrorText::SystemLine(systemError, &languages_);
        text = text.isEmpty() ? line : text + QLatin1Char(' ') + line;
    }
    (void)ShowMessageBox(GetWindowHandle(), QString(), text, mb::kOk, mb::kIconError);
}

void ProgressDlg::Prepare()
{
    state_.ClearFinished();
    closable_ = false;
    // The window as it is without extras: one bar, no Cancel.
    SetClientSize(kClient);
    lines_[0]->setGeometry(kLine1);
    lines_[1]->setGeometry(kLine2);
    lines_[2]->setGeometry(kLine3);
    bar_->setGeometry(kUpperBar);
    bar_->SetMaximum(100.0f);
    bar_->SetPosition(0.0f);
    bar_->show();
    fileBar_->setGeometry(kLowerBar);
    fileBar_->SetMaximum(100.0f);
    fileBar_->SetPosition(0.0f);
    fileBar_->hide();
    cancel_->hide();
    cancel_->setEnabled(state_.IsCancelable());
    ShowExtras();
    UpdateTexts();
    Apply(state_.TakeView());
    state_.SetReady(true);
}

void ProgressDlg::ShowExtras()
{
    const bool cancelable = state_.IsCancelable();
    if (cancelable)
        SetClientSize(kClient + QSize(0, kCancelGrowth));
    if (state_.HasSecondBar()) {
        // The file bar above, the job bar below it.
        fileBar_->setGeometry(kUpperBar);
        bar_->setGeometry(kLowerBar);
        fileBar_->show();
    }
    if (cancelable) {
        const QSize client = ClientRect().size();
        cancel_->setGeometry(QRect(QPoint((client.width() - kCancelSize.width()) / 2,
                                          client.height() - kCancelBottomGap - kCancelSize.height()),
                                   kCancelSize));
        cancel_->show();
    }
}

void ProgressDlg::UpdateTexts()
{
    CCustomDialog::UpdateTexts();
    cancel_->setText(languages_.GetText(msg::kButtonCancel));
    AssignDialogMnemonics(this);
    bar_->setAccessibleName(languages_.GetText(msg::kProgressJobBar));
    fileBar_->setAccessibleName(languages_.GetText(msg::kProgressFileBar));
    setWindowTitle(title_.isEmpty() ? languages_.GetText(msg::kTitlePleaseWait) : title_);
}

void ProgressDlg::ScheduleRefresh()
{
    // Repaints come at most every kRefreshMs; the timer brings the rest.
    // The end is shown at once, as it closes the dialog.
    if (sinceRefresh_.isValid() && sinceRefresh_.elapsed() < kRefreshMs && !state_.IsFinished()) {
        if (!refreshTimer_->isActive())
            refreshTimer_->start(static_cast<int>(kRefreshMs - sinceRefresh_.elapsed()));
        return;
    }
    Refresh();
}

void ProgressDlg::Refresh()
{
    refreshTimer_->stop();
    sinceRefresh_.start();
    Apply(state_.TakeView());
}

void ProgressDlg::Apply(const ProgressState::View& view)
{
    bar_->SetMaximum(view.maximum);
    bar_->SetPosition(view.position);
    fileBar_->SetMaximum(view.fileMaximum);
    fileBar_->SetPosition(view.filePosition);
    const QString* texts[] = {&view.line1, &view.line2, &view.line3};
    for (int i = 0; i < 3; ++i) {
        VelaLabel* line = lines_[i];
        const QString shown = Elided(line->fontMetrics(), *texts[i], line->width(), i == 0 ? 2 : 1);
        if (line->text() != shown) {
            line->setText(shown);
            line->setAccessibleName(*texts[i]);
        }
        // An empty line is nothing to read out.
        line->setVisible(!shown.isEmpty());
    }
    if (title_ != view.title) {
        title_ = view.title;
        setWindowTitle(title_.isEmpty() ? languages_.GetText(msg::kTitlePleaseWait) : title_);
    }
    if (view.finished && isVisible()) {
        closable_ = true;
        done(QDialog::Accepted);
    }
}

void ProgressDlg::OnCancel()
{
    state_.Cancel(languages_.GetText(msg::kCancelling));
    cancel_->setEnabled(false);
    Refresh();
}

void ProgressDlg::accept()
{
    if (closable_)
        CCustomDialog::accept();
}

void ProgressDlg::reject()
{
    if (closable_)
        CCustomDialog::reject();
}

void ProgressDlg::FinishWindow()
{
    state_.SetWaitForWindow(false);
    state_.SetReady(false);
}

int ProgressDlg::RunModal(QThread* worker, bool)
{
    Prepare();
    // A worker that ends without End (or whose End came before the window
    // was ready and was dropped) must not leave the dialog open for ever.
    QMetaObject::Connection ended;
    if (worker) {
        ended = connect(worker, &QThread::finished, this, [this] {
            closable_ = true;
            if (isVisible())
                done(QDialog::Rejected);
        });
        if (worker->isFinished())
            QMetaObject::invokeMethod(
                this,
                [this] {
                    closable_ = true;
                    if (isVisible())
                        done(QDialog::Rejected);
                },
                Qt::QueuedConnection);
    }
    CCustomDialog::CenterOnOwner();
    RunningDialogs().append(this);
    QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    const int result =
        owner && owner->property(kOwnerStaysClosable).toBool() ? RunBesideOwner(owner) : exec();
    RunningDialogs().removeAll(this);
    FinishWindow();
    // The worker may still ask a question after End: keep the event loop
    // running, so the box can open, until it has exited.
    if (worker) {
        QEventLoop loop;
        connect(worker, &QThread::finished, &loop, &QEventLoop::quit);
        if (!worker->isFinished())
            loop.exec();
        worker->wait();
        disconnect(ended);
    }
    state_.ClearTexts();
    Refresh();
    return result;
}

int ProgressDlg::RunBesideOwner(QWidget* owner)
{
    const WindowInputGuard guard(owner);
    setModal(false);
    QEventLoop loop;
    const QMetaObject::Connection ended = connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
    show();
    raise();
    activateWindow();
    if (isVisible())
        loop.exec(QEventLoop::DialogExec);
    disconnect(ended);
    setModal(true);
    return result();
}

QList<ProgressDlg*> ProgressDlg::Running()
{
    return RunningDialogs();
}

void ProgressDlg::CancelAll()
{
    for (ProgressDlg* dialog : RunningDialogs()) {
        if (dialog->state_.IsCancelable() && dialog->cancel_->isEnabled())
            dialog->OnCancel();
    }
}

void ProgressDlg::AbandonAll()
{
    for (ProgressDlg* dialog : RunningDialogs()) {
        dialog->state_.Cancel(QString());
        dialog->closable_ = true;
        if (dialog->isVisible())
            dialog->done(QDialog::Rejected);
    }
}

}  // namespace nbr

#include "app/HeadlessProgress.h"

#include "app/ErrorText.h"
#include "app/LanguageManager.h"
#include "app/MessageBox.h"
#include "app/MessageIds.h"

#include <QThread>

namespace nbr {

bool HeadlessProgress::IsOwner() const
{
    return owner_ == QThread::currentThreadId();
}

void HeadlessProgress::Changed()
{
    if (observer_)
        observer_();
}

void HeadlessProgress::SetReady(bool ready)
{
    QMutexLocker lock(&mutex_);
    ready_ = ready;
    readyOrFinished_.wakeAll();
}

void HeadlessProgress::Begin(std::uint32_t total)
{
    {
        QMutexLocker lock(&mutex_);
        if (!ready_) {
            if (!waitForWindow_)
                return;
            while (!ready_)
                readyOrFinished_.wait(&mutex_);
        }
        if (!owner_)
            owner_ = QThread::currentThreadId();
        else if (!IsOwner())
            return;
        state_.finished = false;
        failed_ = false;
        cancelled_ = false;
        state_.maximum = static_cast<float>(total);
        state_.position = 0;
    }
    Changed();
}

void HeadlessProgress::End(bool success)
{
    {
        QMutexLocker lock(&mutex_);
        if (!ready_ || !IsOwner())
            return;
        failed_ = !success;
        state_.position = state_.maximum;
        state_.finished = true;
        owner_ = nullptr;
        readyOrFinished_.wakeAll();
    }
    Changed();
}

bool HeadlessProgress::Step(std::uint32_t delta)
{
    bool within = false;
    {
        QMutexLocker lock(&mutex_);
        if (!ready_ || !IsOwner())
            return false;
        state_.position += static_cast<float>(delta);
        within = state_.position <= state_.maximum;
    }
    Changed();
    return within;
}

void HeadlessProgress::ReportError(Status code, std::uint32_t systemError, std::initializer_list<TextArg> args)
{
    if (code == 0 && systemError == 0)
        return;
    QString text;
    if (code != 0 && languages_)
        text = FormatErrorText(*languages_, code, args);
    if (systemError != 0) {
        const QString line = ErrorText::SystemLine(systemError, languages_);
        text = text.isEmpty() ? line : text + QLatin1Char(' ') + line;
    }
    {
        QMutexLocker lock(&mutex_);
        errors_ << text;
    }
    (void)ShowMessageBox(GetWindowHandle(), QString(), text, mb::kOk, mb::kIconError);
}

void HeadlessProgress::SetOwnerThread(Qt::HANDLE thread)
{
    QMutexLocker lock(&mutex_);
    owner_ = thread;
}

void HeadlessProgress::BeginFile(std::uint32_t total)
{
    {
        QMutexLocker lock(&mutex_);
        if (!ready_ || !IsOwner())
            return;
        state_.fileMaximum = static_cast<float>(total);
        state_.filePosition = 0;
    }
    Changed();
}

void HeadlessProgress::EndFile(std::uint32_t)
{
    {
        QMutexLocker lock(&mutex_);
        if (!ready_ || !IsOwner())
            return;
        state_.filePosition = state_.fileMaximum;
    }
    Changed();
}

bool HeadlessProgress::StepFile(std::uint32_t delta)
{
    bool within = false;
    {
        QMutexLocker lock(&mutex_);
        if (!ready_ || !IsOwner())
            return false;
        state_.filePosition += static_cast<float>(delta);
        within = state_.filePosition <= state_.fileMaximum;
    }
    Changed();
    return within;
}

void HeadlessProgress::SetLine1(const QString& text)
{
    {
        QMutexLocker lock(&mutex_);
        state_.line1 = text;
    }
    Changed();
}

void HeadlessProgress::SetLine2(const QString& text)
{
    {
        QMutexLocker lock(&mutex_);
        state_.line2 = text;
    }
    Changed();
}

void HeadlessProgress::SetLine3(const QString& text)
{
    {
        QMutexLocker lock(&mutex_);
        state_.line3 = text;
    }
    Changed();
}

void HeadlessProgress::SetTitle(const QString& text)
{
    {
        QMutexLocker lock(&mutex_);
        state_.title = text;
    }
    Changed();
}

int HeadlessProgress::RunModal(QThread* worker, bool)
{
    {
        QMutexLocker lock(&mutex_);
        // Only End finishes a running job; a worker that dies without it
        // still ends the wait.
        while (!state_.finished && !(worker && worker->isFinished()))
            readyOrFinished_.wait(&mutex_, 50);
    }
    if (worker)
        worker->wait();
    QMutexLocker lock(&mutex_);
    state_.line1.clear();
    state_.line2.clear();
    state_.line3.clear();
    state_.title.clear();
    return 0;
}

bool HeadlessProgress::IsCancelled() const
{
    if (cancelFlag_ && cancelFlag_->load())
        return true;
    QMutexLocker lock(&mutex_);
    return cancelled_;
}

void HeadlessProgress::Cancel()
{
    {
        QMutexLocker lock(&mutex_);
        cancelled_ = true;
        if (cancelable_ && languages_)
            state_.line1 = languages_->GetText(msg::kCancelling);
    }
    Changed();
}

HeadlessProgress::Snapshot HeadlessProgress::State() const
{
    QMutexLocker lock(&mutex_);
    return state_;
}

QStringList HeadlessProgress::Errors() const
{
    QMutexLocker lock(&mutex_);
    return errors_;
}

}  // namespace nbr

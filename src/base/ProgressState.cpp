#include "base/ProgressState.h"

#include <QThread>

namespace nbr {

bool ProgressState::Honoured() const
{
    return ready_ && owner_ == QThread::currentThreadId();
}

void ProgressState::Changed()
{
    if (!stale_.exchange(true) && notify_)
        notify_();
}

bool ProgressState::Begin(std::uint32_t total)
{
    {
        QMutexLocker lock(&mutex_);
        if (!ready_) {
            if (!waitForWindow_)
                return false;
            const std::uint64_t generation = windowGeneration_;
            while (!ready_ && waitForWindow_ && generation == windowGeneration_)
                readyChanged_.wait(&mutex_);
            if (!ready_)
                return false;
        }
        if (!owner_)
            owner_ = QThread::currentThreadId();
        else if (owner_ != QThread::currentThreadId())
            return false;
        // A Cancel belongs to the job it was pressed in: one pressed while the
        // job still counted its work (before its first Begin) ends it all the
        // same; only a job after an ended one starts uncancelled.
        if (view_.finished)
            cancelled_ = false;
        view_.finished = false;
        failed_ = false;
        view_.maximum = static_cast<float>(total);
        view_.position = 0;
    }
    Changed();
    return true;
}

bool ProgressState::End(bool success)
{
    return UpdateIfHonoured([&] {
        failed_ = !success;
        view_.position = view_.maximum;
        view_.finished = true;
        owner_ = nullptr;
    });
}

bool ProgressState::Step(std::uint32_t delta, bool* within)
{
    return UpdateIfHonoured([&] {
        view_.position += static_cast<float>(delta);
        if (within)
            *within = view_.position <= view_.maximum;
    });
}

bool ProgressState::BeginFile(std::uint32_t total)
{
    return UpdateIfHonoured([&] {
        view_.fileMaximum = static_cast<float>(total);
        view_.filePosition = 0;
    });
}

bool ProgressState::EndFile()
{
    return UpdateIfHonoured([&] { view_.filePosition = view_.fileMaximum; });
}

bool ProgressState::StepFile(std::uint32_t delta, bool* within)
{
    return UpdateIfHonoured([&] {
        view_.filePosition += static_cast<float>(delta);
        if (within)
            *within = view_.filePosition <= view_.fileMaximum;
    });
}

void ProgressState::SetOwnerThread(Qt::HANDLE thread)
{
    QMutexLocker lock(&mutex_);
    owner_ = thread;
}

void ProgressState::SetText(QString View::*line, const QString& text)
{
    {
        QMutexLocker lock(&mutex_);
        if (view_.*line == text)
            return;
        view_.*line = text;
    }
    Changed();
}

void ProgressState::ClearTexts()
{
    {
        QMutexLocker lock(&mutex_);
        view_.line1.clear();
        view_.line2.clear();
        view_.line3.clear();
        view_.title.clear();
    }
    Changed();
}

void ProgressState::SetWaitForWindow(bool wait)
{
    QMutexLocker lock(&mutex_);
    waitForWindow_ = wait;
    readyChanged_.wakeAll();
}

void ProgressState::Cancel(const QString& cancelText)
{
    {
        QMutexLocker lock(&mutex_);
        cancelled_ = true;
        if (cancelable_ && !cancelText.isNull())
            view_.line1 = cancelText;
    }
    Changed();
}

bool ProgressState::IsCancelled() const
{
    QMutexLocker lock(&mutex_);
    return cancelled_;
}

void ProgressState::SetReady(bool ready)
{
    QMutexLocker lock(&mutex_);
    ready_ = ready;
    if (!ready)
        ++windowGeneration_;
    readyChanged_.wakeAll();
}

bool ProgressState::IsReady() const
{
    QMutexLocker lock(&mutex_);
    return ready_;
}

void ProgressState::ClearFinished()
{
    QMutexLocker lock(&mutex_);
    view_.finished = false;
}

bool ProgressState::IsFinished() const
{
    QMutexLocker lock(&mutex_);
    return view_.finished;
}

ProgressState::View ProgressState::Peek() const
{
    QMutexLocker lock(&mutex_);
    return view_;
}

ProgressState::View ProgressState::TakeView()
{
    // Cleared before the copy: a change that lands during it notifies again.
    stale_ = false;
    QMutexLocker lock(&mutex_);
    return view_;
}

}  // namespace nbr

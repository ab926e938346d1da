#include "base/HeadlessProgress.h"

#include "base/ErrorText.h"
#include "base/LanguageManager.h"
#include "base/MessageBox.h"
#include "base/MessageIds.h"

#include <QThread>

namespace nbr {

HeadlessProgress::HeadlessProgress(const LanguageManager* languages) : languages_(languages)
{
    // Without a window the dialog is ready at once.
    state_.SetReady(true);
}

void HeadlessProgress::Changed()
{
    if (observer_)
        observer_();
}

void HeadlessProgress::SetReady(bool ready)
{
    state_.SetReady(ready);
}

void HeadlessProgress::Begin(std::uint32_t total)
{
    if (state_.Begin(total))
        Changed();
}

void HeadlessProgress::End(bool success)
{
    if (!state_.End(success))
        return;
    {
        QMutexLocker lock(&mutex_);
        finished_.wakeAll();
    }
    Changed();
}

bool HeadlessProgress::Step(std::uint32_t delta)
{
    bool within = false;
    if (!state_.Step(delta, &within))
        return false;
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
    state_.SetOwnerThread(thread);
}

void HeadlessProgress::BeginFile(std::uint32_t total)
{
    if (state_.BeginFile(total))
        Changed();
}

void HeadlessProgress::EndFile(std::uint32_t)
{
    if (state_.EndFile())
        Changed();
}

bool HeadlessProgress::StepFile(std::uint32_t delta)
{
    bool within = false;
    if (!state_.StepFile(delta, &within))
        return false;
    Changed();
    return within;
}

void HeadlessProgress::SetLine1(const QString& text)
{
    state_.SetLine1(text);
    Changed();
}

void HeadlessProgress::SetLine2(const QString& text)
{
    state_.SetLine2(text);
    Changed();
}

void HeadlessProgress::SetLine3(const QString& text)
{
    state_.SetLine3(text);
    Changed();
}

void HeadlessProgress::SetTitle(const QString& text)
{
    state_.SetTitle(text);
    Changed();
}

int HeadlessProgress::RunModal(QThread* worker, bool)
{
    {
        QMutexLocker lock(&mutex_);
        // Only End finishes a running job; a worker that dies without it
        // still ends the wait.
        while (!state_.IsFinished() && !(worker && worker->isFinished()))
            finished_.wait(&mutex_, 50);
    }
    if (worker)
        worker->wait();
    state_.ClearTexts();
    return 0;
}

bool HeadlessProgress::IsCancelled() const
{
    if (cancelFlag_ && cancelFlag_->load())
        return true;
    return state_.IsCancelled();
}

void HeadlessProgress::Cancel()
{
    state_.Cancel(languages_ ? languages_->GetText(msg::kCancelling) : QString());
    Changed();
}

QStringList HeadlessProgress::Errors() const
{
    QMutexLocker lock(&mutex_);
    return errors_;
}

}  // namespace nbr

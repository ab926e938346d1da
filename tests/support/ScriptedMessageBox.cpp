#include "ScriptedMessageBox.h"

#include "base/MessageBox.h"

namespace nbr::test {

void ScriptedMessageBox::Script(const QList<std::uint32_t>& answers)
{
    QMutexLocker lock(&mutex_);
    answers_ = answers;
}

std::uint32_t ScriptedMessageBox::Answer(const MessageBoxRequest& request)
{
    QMutexLocker lock(&mutex_);
    asked_ << request;
    if (answers_.isEmpty())
        return MessageBox::EscapeButton(request.buttons);
    return answers_.takeFirst();
}

QList<MessageBoxRequest> ScriptedMessageBox::Asked() const
{
    QMutexLocker lock(&mutex_);
    return asked_;
}

}  // namespace nbr::test

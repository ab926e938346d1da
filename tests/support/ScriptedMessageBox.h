#pragma once
// An answerer for the tests: gives the answers it was scripted with, in order,
// and records every request. Out of answers, it presses the escape button.
// Workers ask from their own threads, so both lists are guarded.

#include "base/IMessageBoxAnswerer.h"

#include <QList>
#include <QMutex>

namespace nbr::test {

class ScriptedMessageBox final : public IMessageBoxAnswerer {
public:
    void Script(const QList<std::uint32_t>& answers);
    [[nodiscard]] std::uint32_t Answer(const MessageBoxRequest& request) override;
    [[nodiscard]] QList<MessageBoxRequest> Asked() const;

private:
    mutable QMutex mutex_;
    QList<std::uint32_t> answers_;
    QList<MessageBoxRequest> asked_;
};

}  // namespace nbr::test

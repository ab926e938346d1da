#include "cli/TerminalMessageBox.h"

#include "base/LanguageManager.h"
#include "base/MessageBox.h"
#include "base/MessageIds.h"
#include "cli/TerminalText.h"
#include "platform/Terminal.h"

#include <QTextStream>
#include <QThread>

#include <atomic>

namespace nbr::cli {
namespace {

QString Label(const LanguageManager& languages, int id)
{
    return languages.GetText(id).remove(QLatin1Char('&'));
}

}  // namespace

namespace {
std::atomic<int> g_retryLimit {60};
}

void TerminalMessageBox::SetUnattendedRetryLimit(int seconds)
{
    g_retryLimit = seconds;
}

std::uint32_t TerminalMessageBox::Answer(const MessageBoxRequest& request)
{
    QTextStream err(stderr);
    if (Terminal::IsTerminal(Terminal::kError))
        err << "\r\033[K";  // off the progress line
    const auto buttons = MessageBox::Buttons(request.buttons);
    if (buttons.size() <= 1) {
        // A notice or an error: said once, nothing to answer. A "Retry" box
        // waits for Enter on a terminal, else a moment, so that whoever asks
        // again does not spin; unattended, it is said once and given up at
        // the limit.
        const bool unattendedRetry = request.buttons == mb::kRetry && !Terminal::IsTerminal(Terminal::kInput);
        const bool again = unattendedRetry && request.text == retrying_;
        if (!again) {
            if (request.icon == mb::kIconError)
                err << "nimbra-cli: error: " << TerminalText::Visible(request.text) << '\n';
            else
                err << TerminalText::Visible(request.text) << '\n';
            err.flush();
        }
        if (unattendedRetry) {
            retries_ = again ? retries_ + 1 : 0;
            retrying_ = request.text;
            if (retries_ >= g_retryLimit) {
                retrying_.clear();
                return 0;
            }
            QThread::sleep(1);
        } else if (request.buttons == mb::kRetry) {
            std::uint8_t line[64];
            std::size_t length = 0;
            const Status read = Terminal::ReadAnswerLine(Terminal::kInput, line, sizeof line, &length);
            if (read != S_OK && read != E_INVALIDARG)
                QThread::sleep(1);
        }
        return buttons.empty() ? 0 : buttons.front().id;
    }
    const QString text = TerminalText::Visible(request.title.isEmpty() ? request.text
                                                                       : request.title + QStringLiteral(": ") + request.text);

    const std::uint32_t escape = MessageBox::EscapeButton(request.buttons);
    QString escapeLabel;
    QStringList labels;
    for (const MessageBoxButton& b : buttons) {
        labels << Label(languages_, b.labelId);
        if (b.id == escape)
            escapeLabel = labels.back();
    }
    if (!Terminal::IsTerminal(Terminal::kInput)) {
        err << "nimbra-cli: " << languages_.FormatText(msg::kCliNotATerminal, {TerminalText::Visible(request.text), escapeLabel}) << '\n';
        return escape;
    }

    for (;;) {
        err << text << '\n' << '[' << labels.join(QLatin1Char('/')) << "] ";
        err.flush();
        std::uint8_t line[256] = {};
        std::size_t length = 0;
        const Status read = Terminal::ReadAnswerLine(Terminal::kInput, line, sizeof line, &length);
        if (read != S_OK && read != E_INVALIDARG)
            return escape;  // the end of input, or a terminal gone
        // An answer longer than the line matches no label.
        const QString answer = read == E_INVALIDARG
                                   ? QStringLiteral("?")
                                   : QString::fromUtf8(reinterpret_cast<const char*>(line), static_cast<qsizetype>(length))
                                         .trimmed();
        if (answer.isEmpty())
            return MessageBox::DefaultButton(request.buttons);
        // A whole label, or the start of exactly one label, chooses it.
        int match = -1;
        int count = 0;
        for (int i = 0; i < labels.size(); ++i) {
            if (labels.at(i).compare(answer, Qt::CaseInsensitive) == 0)
                return buttons[static_cast<std::size_t>(i)].id;
            if (labels.at(i).startsWith(answer, Qt::CaseInsensitive)) {
                match = i;
                ++count;
            }
        }
        if (count == 1)
            return buttons[static_cast<std::size_t>(match)].id;
        err << languages_.FormatText(msg::kCliChoose, {labels.join(QStringLiteral(", "))}) << '\n';
    }
}

}  // namespace nbr::cli

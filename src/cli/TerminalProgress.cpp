#include "cli/TerminalProgress.h"

#include "cli/TerminalText.h"
#include "platform/Terminal.h"

#include <algorithm>
#include <cstdio>

namespace nbr::cli {

TerminalProgress::TerminalProgress(bool enabled) : enabled_(enabled) {}

TerminalProgress::~TerminalProgress()
{
    Finish();
}

void TerminalProgress::SetJob(const QString& job)
{
    if (job == job_)
        return;
    job_ = job;
    Draw();
}

void TerminalProgress::SetFile(const QString& file)
{
    if (file == file_)
        return;
    file_ = file;
    Draw();
}

void TerminalProgress::SetFraction(std::uint64_t done, std::uint64_t total)
{
    // No total yet: no percentage to show.
    const int percent = total == 0 ? -1 : static_cast<int>(std::min<std::uint64_t>(done, total) * 100 / total);
    if (percent == percent_)
        return;
    percent_ = percent;
    Draw();
}

void TerminalProgress::Draw()
{
    if (!enabled_)
        return;
    const int width = Terminal::Columns(Terminal::kError) - 1;
    QString line = job_;
    if (percent_ >= 0)
        line += QStringLiteral(" %1%").arg(percent_, 3);
    if (!file_.isEmpty())
        line += QStringLiteral("  ") + TerminalText::Quote(file_);  // a stored name may be crafted
    if (line.size() > width)
        line = line.left(width - 1) + QChar(0x2026);
    std::fprintf(stderr, "\r\033[K%s", line.toUtf8().constData());
    std::fflush(stderr);
    drawn_ = true;
}

void TerminalProgress::Finish()
{
    if (drawn_) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
        drawn_ = false;
    }
}

}  // namespace nbr::cli

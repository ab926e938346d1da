#include "cli/CliProgress.h"

#include "cli/CliContext.h"
#include "cli/TerminalText.h"

#include <QMutex>

namespace nbr::cli {

CliProgress::CliProgress(CliContext& context)
    : dialog_(&context.languages), line_(context.stderrIsTerminal && !context.quiet), context_(context),
      quiet_(context.quiet)
{
    dialog_.SetObserver([this] {
        // Reports come from the worker threads one at a time; the line is
        // drawn from whichever thread reported.
        static QMutex drawing;
        QMutexLocker lock(&drawing);
        const HeadlessProgress::Snapshot s = dialog_.State();
        if (notices_ && s.line1 != lastNotice_) {
            lastNotice_ = s.line1;
            if (!s.line1.isEmpty()) {
                line_.Finish();  // the notice goes above the progress line
                context_.err << TerminalText::Visible(s.line1) << '\n' << Qt::flush;
                line_.Redraw();
            }
        }
        line_.SetJob(s.title);
        line_.SetFile(s.line2);
        line_.SetFraction(static_cast<std::uint64_t>(s.position), static_cast<std::uint64_t>(s.maximum));
        if (s.finished)
            line_.Finish();
    });
}

CliProgress::~CliProgress()
{
    dialog_.SetObserver(nullptr);
    line_.Finish();
}

}  // namespace nbr::cli

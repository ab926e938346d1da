#include "panes/StoreDragRender.h"

#include "base/ErrorText.h"
#include "base/LanguageManager.h"
#include "base/MessageBox.h"
#include "base/MessageIds.h"
#include "panes/PaneServices.h"
#include "store/CopyToTempThread.h"

#include <memory>

namespace nbr {

bool StoreDragRender::Run(const PaneServices& services, EncryptedStore& store, const QStringList& storeFiles,
                          const QString& tempFolder)
{
    if (storeFiles.isEmpty() || tempFolder.isEmpty())
        return false;
    const std::unique_ptr<IProgressDlg> dialog = services.makeProgress ? services.makeProgress() : nullptr;
    if (!dialog)
        return false;
    // No cancel button: the drag could be cancelled with Escape before the
    // release, and a drop of half the files would mislead the target.
    dialog->SetSecondBar(true);
    dialog->SetCancelable(false);
    dialog->EnableWaitForWindow();
    CopyToTempThread worker(dialog.get(), store, storeFiles, tempFolder, services.languages);
    worker.Start();
    dialog->RunModal(worker.Thread(), false);
    const Status status = worker.GetStatus();
    if (Failed(status)) {
        // An item the run left out was reported by the run itself, once.
        if (!worker.LeftOutAny())
            (void)ShowMessageBox(nullptr, services.languages.GetText(msg::kCaptionError),
                                 FormatErrorText(services.languages, status), mb::kOk, mb::kIconError);
        return false;
    }
    return !dialog->IsCancelled();
}

}  // namespace nbr

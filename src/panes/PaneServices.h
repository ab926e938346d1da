#pragma once
// What a pane controller needs from the program around it, passed in so
// that tests hand it a headless progress and scripted message boxes.

#include "base/IProgressDlg.h"

#include <cstdint>
#include <functional>
#include <memory>

class QMimeData;

namespace nbr {

class LanguageManager;

struct PaneServices {
    const LanguageManager& languages;
    // A fresh modal progress dialog for one long operation.
    std::function<std::unique_ptr<IProgressDlg>()> makeProgress;
    // The owner of message boxes (the main window's handle; null for none).
    const void* mainWindow = nullptr;
    // Runs one drag of `data` (the drag owns it from the call on) with the
    // allowed drop:: effects and blocks until it ends; the effect the target
    // reported (drop::kNone for a cancel). The program runs it with Qt's
    // drag loop; without it a pane starts no drags.
    std::function<std::uint32_t(QMimeData* data, std::uint32_t allowed)> runDrag {};

    // A progress dialog set up for a copy the person can cancel: a bar for
    // the whole job and one for the file at hand. Null without a factory.
    [[nodiscard]] std::unique_ptr<IProgressDlg> MakeTransferProgress() const
    {
        std::unique_ptr<IProgressDlg> dialog = makeProgress ? makeProgress() : nullptr;
        if (dialog) {
            dialog->SetSecondBar(true);
            dialog->SetCancelable(true);
            dialog->EnableWaitForWindow();
        }
        return dialog;
    }
};

}  // namespace nbr

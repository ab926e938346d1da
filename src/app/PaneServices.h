#pragma once
// What a pane controller needs from the program around it, passed in so
// that tests hand it a headless progress and scripted message boxes.

#include "app/IProgressDlg.h"

#include <functional>
#include <memory>

namespace nbr {

class LanguageManager;

struct PaneServices {
    const LanguageManager& languages;
    // A fresh modal progress dialog for one long operation.
    std::function<std::unique_ptr<IProgressDlg>()> makeProgress;
    // The owner of message boxes (the main window's handle; null for none).
    const void* mainWindow = nullptr;
};

}  // namespace nbr

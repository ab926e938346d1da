#pragma once
// What the application object needs of its main window: the window itself
// and the first listing of the store pane. The window's close handling
// calls CNimbraApp::OnMainWindowClosing, which writes back the opened files
// and marks the clean end.

#include "platform/Status.h"

class QWidget;

namespace nbr {

class IMainWindow {
public:
    virtual ~IMainWindow() = default;
    [[nodiscard]] virtual QWidget* Widget() = 0;
    [[nodiscard]] virtual Status LoadStorePane() = 0;
};

}  // namespace nbr

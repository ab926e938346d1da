#pragma once
// A plain main window for the start-up sequence until the program's main
// frame takes its place: the framed window with an empty store area. Its
// close goes through the application's close handling.

#include "controls/CCustomFrameWnd.h"
#include "windows/IMainWindow.h"

namespace nbr {

class CNimbraApp;

class CPlaceholderFrame final : public CCustomFrameWnd, public IMainWindow {
    Q_OBJECT
public:
    explicit CPlaceholderFrame(CNimbraApp& app);

    QWidget* Widget() override { return this; }
    Status LoadStorePane() override { return S_OK; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    CNimbraApp& app_;
};

}  // namespace nbr

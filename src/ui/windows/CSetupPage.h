#pragma once
// One page of the setup wizard: a white child window over the wizard's page
// area. The page decides when Next may be pressed (NextEnabled) and may
// refuse to be left forwards (Leave), e.g. until its password is applied.

#include "base/IMultilangSupport.h"

#include <QWidget>

namespace nbr {

class CSetupPage : public QWidget, public IMultilangSupport {
    Q_OBJECT
public:
    static constexpr QSize kSize {500, 310};

    // `background`: the number of a picture drawn under the page, 0 for none.
    explicit CSetupPage(QWidget* parent, int background = 0);

    // The page has just been shown.
    virtual void OnShown() = 0;
    // Next was pressed on this page: false keeps it.
    [[nodiscard]] virtual bool Leave() { return true; }

signals:
    void NextEnabled(bool enabled);
    // Next, as if pressed (Enter in a page's field).
    void NextRequested();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int background_;
};

}  // namespace nbr

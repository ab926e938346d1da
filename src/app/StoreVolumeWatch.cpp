#include "app/StoreVolumeWatch.h"

#include "base/LanguageManager.h"
#include "base/MessageBox.h"
#include "base/MessageIds.h"

namespace nbr {

void StoreVolumeWatch::OnVolumeRemoved(const QString& root)
{
    if (root != storeRoot_)
        return;
    if (stopWork_)
        stopWork_();
    (void)ShowMessageBox(nullptr, languages_.GetText(msg::kCaptionNotice), languages_.GetText(msg::kStoreDriveRemoved),
                         mb::kOk, mb::kIconWarning);
    if (onLost_)
        onLost_();
}

}  // namespace nbr

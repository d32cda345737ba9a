// Operator command 9: the PELKO device search fills and selects the Setup page's device list.

#include "app/halvo_dlg.h"

namespace halvo {

void CHalvoDlg::searchPelkoDevices() {
    SearchPelkoDevices(log_, task_.CalibrationState, pelkoSearch);
    if (pelkoSearch.listed) {
        setup_.pelkoDevices.items = pelkoSearch.entries;
        setup_.pelkoDevices.selected = pelkoSearch.entries.empty() ? -1 : 0;
    }
    ui_.refresh();
}

}  // namespace halvo

// The controller's side of the K-10: its matrix list on the Setup page and the operator's choice
// of a matrix.

#include "app/halvo_dlg.h"
#include "instruments/k10/k10_instrument.h"

namespace halvo {

void CHalvoDlg::fillK10MatrixList() {
    if (!k10_) {
        return;
    }
    setup_.fillK10Matrices(k10_->CalibrationList(), k10_->currentMatrix());
    ui_.refresh();
}

// The operator picked an entry of the "Cal File" list (the Setup page has already refused
// 94..99). The K-10's link indicator only lights once a reading is non-zero, so the choice is
// carried out whenever the instrument is connected, not only while that indicator is on.
void CHalvoDlg::selectK10Matrix() {
    if (!k10_ || !instrumentOpen()) {
        return;
    }
    SelectK10Matrix(*k10_, setup_.calFile.selected, log_, task_.CalibrationState);
}

}  // namespace halvo

#include "app/main_window_model.h"

#include "common/text_format.h"

namespace halvo {

ReadingRows FormatReadingRows(const ColorReading& r) {
    ReadingRows rows;
    rows[0] = Format("%6.4lf", r.x);
    rows[1] = Format("%6.4lf", r.y);
    rows[2] = Format("%6.4lf", r.u);
    rows[3] = Format("%6.4lf", r.vp);
    rows[4] = Format("%6.2lf", r.lv);
    if (r.cct == 0) {
        rows[5] = "----------";
        rows[6] = "----------";
    } else {
        rows[5] = Format("%5d", r.cct);
        rows[6] = Format("%7.5lf", r.duv);
    }
    return rows;
}

}  // namespace halvo

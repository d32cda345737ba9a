#include "setup/page_controls.h"

namespace halvo {

std::string ListControl::text() const {
    return hasIndex(selected) ? items[static_cast<size_t>(selected)] : std::string();
}

bool ListControl::selectText(const std::string& wanted) {
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i] == wanted) {
            selected = static_cast<int>(i);
            return true;
        }
    }
    return false;
}

}  // namespace halvo

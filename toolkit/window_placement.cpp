#include "toolkit/window_placement.h"

#include <algorithm>

namespace velk {

ScreenRect centredOn(const ScreenRect& area, const ScreenRect& size) {
    return {area.left + (area.width - size.width) / 2, area.top + (area.height - size.height) / 2,
            size.width, size.height};
}

ScreenRect placeOnWorkArea(const ScreenRect& wanted, const ScreenRect& workArea) {
    if (wanted.width > workArea.width || wanted.height > workArea.height) {
        return {workArea.left, workArea.top, wanted.width, wanted.height};
    }
    return {std::clamp(wanted.left, workArea.left, workArea.left + workArea.width - wanted.width),
            std::clamp(wanted.top, workArea.top, workArea.top + workArea.height - wanted.height),
            wanted.width, wanted.height};
}

} // namespace velk

#pragma once
// Where a window goes on its screen: on the work area of its monitor (the screen less the
// taskbar and other bars docked to its edges), whatever its size at the scale it is shown at.

namespace velk {

// Pixels of the virtual screen; a monitor left of or above the first one has negative ones.
struct ScreenRect {
    int left, top, width, height;
    bool operator==(const ScreenRect&) const = default;
};

// `size`'s width and height, centred on `area`.
ScreenRect centredOn(const ScreenRect& area, const ScreenRect& size);

// A window wanted at `wanted`: there when it lies within `workArea`, moved in as far as it pokes
// out when it fits; at the work area's top left when it is wider or taller than the work area,
// so that its title bar and left edge can always be reached.
ScreenRect placeOnWorkArea(const ScreenRect& wanted, const ScreenRect& workArea);

} // namespace velk

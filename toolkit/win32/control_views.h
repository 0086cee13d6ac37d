#pragma once
// The real controls behind the C++ controls of toolkit/controls.h: one view per control kind.
// Each view creates its window(s) as children of the form window, shows the control's state on
// every refresh() and hands the user's changes back through the control's setters.

#include <memory>

#include "toolkit/form.h"
#include "toolkit/win32/control_host.h"
#include "toolkit/win32/win32_control_view.h"

namespace velk::win32 {

// Creates the view (and its windows) of one control. Not for ShellTree, which has its own
// factory (toolkit/win32/shell_tree_view.h).
std::unique_ptr<Win32ControlView>
createControlView(ControlHost& window, const ControlLayout& layout, const ControlPlace& place);

} // namespace velk::win32

#pragma once
// The real shell folder tree behind a ShellTree control.

#include <memory>

#include "toolkit/form.h"
#include "toolkit/shell_tree.h"
#include "toolkit/win32/win32_control_view.h"

namespace velk::win32 {

// Creates the tree as a child of `parent` at the layout's place. The window binding forwards
// the control's WM_NOTIFY messages to the view it returns.
std::unique_ptr<Win32ControlView> createShellTreeView(ShellTree& tree, HWND parent,
                                                      const ControlLayout& layout, HFONT font);

} // namespace velk::win32

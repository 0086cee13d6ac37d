// Placeholder until the folder picker lands: an empty tree view.
#include "platform/win32/shell_tree_view.h"

#include <commctrl.h>

namespace velk::win32 {

namespace {

class EmptyTreeView : public Win32ControlView {
  public:
    EmptyTreeView(HWND parent, const ControlLayout& layout, HFONT font) {
        hwnd_ = CreateWindowExA(WS_EX_CLIENTEDGE, WC_TREEVIEWA, "",
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP, layout.left, layout.top,
                                layout.width, layout.height, parent, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
        SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    void refresh() override {}
};

} // namespace

std::unique_ptr<Win32ControlView> createShellTreeView(ShellTree& /*tree*/, HWND parent,
                                                      const ControlLayout& layout, HFONT font) {
    return std::make_unique<EmptyTreeView>(parent, layout, font);
}

} // namespace velk::win32

// List views and tree views of another process. Their messages carry pointers to structures,
// which must lie in the target process: the driver allocates them there and copies the
// structures in and out.
#include <windows.h>

#include <commctrl.h>

#include "platform/win32/unique_handles.h"
#include "platform/win32/wide_text.h"
#include "tests/e2e/driver/driver.h"

namespace velk::e2e {

namespace {

constexpr UINT kSendTimeoutMs = 3000;
constexpr size_t kTextCapacity = 1024;

LRESULT sendTo(const Window& window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window.hwnd(), message, wParam, lParam, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                             kSendTimeoutMs, &result)) {
        throw DriverError(window.describe() + " did not answer message " + std::to_string(message));
    }
    return static_cast<LRESULT>(result);
}

// A block of memory in the process that owns a window: room for one structure followed by a
// text buffer.
class RemoteBlock {
  public:
    RemoteBlock(const Window& window, size_t size) : size_(size) {
        process_.reset(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE |
                                       PROCESS_QUERY_INFORMATION,
                                   FALSE, window.processId()));
        if (!process_) {
            throw DriverError("cannot open the process of " + window.describe());
        }
        address_ =
            VirtualAllocEx(process_.get(), nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        if (address_ == nullptr) {
            throw DriverError("cannot allocate memory in the process of " + window.describe());
        }
    }
    RemoteBlock(const RemoteBlock&) = delete;
    RemoteBlock& operator=(const RemoteBlock&) = delete;
    ~RemoteBlock() { VirtualFreeEx(process_.get(), address_, 0, MEM_RELEASE); }

    char* at(size_t offset) const { return static_cast<char*>(address_) + offset; }
    LPARAM param() const { return reinterpret_cast<LPARAM>(address_); }

    void write(size_t offset, const void* data, size_t size) const {
        SIZE_T done = 0;
        if (offset + size > size_ ||
            !WriteProcessMemory(process_.get(), at(offset), data, size, &done) || done != size) {
            throw DriverError("cannot write to the target process");
        }
    }
    void read(size_t offset, void* data, size_t size) const {
        SIZE_T done = 0;
        if (offset + size > size_ ||
            !ReadProcessMemory(process_.get(), at(offset), data, size, &done) || done != size) {
            throw DriverError("cannot read from the target process");
        }
    }
    // A text of at most `capacity` UTF-16 units, ended by a NUL or by the capacity.
    std::string readText(size_t offset, size_t capacity) const {
        std::wstring text(capacity, L'\0');
        read(offset, text.data(), capacity * sizeof(wchar_t));
        text.resize(std::min(text.find(L'\0'), capacity));
        return win32::toUtf8(text);
    }

  private:
    win32::UniqueHandle process_;
    void* address_ = nullptr;
    size_t size_;
};

// A structure of type T at offset 0 and a buffer of kTextCapacity UTF-16 units behind it.
template <typename T> struct RemoteItem {
    static constexpr size_t kTextOffset = (sizeof(T) + 15) / 16 * 16;
    explicit RemoteItem(const Window& window)
        : block(window, kTextOffset + kTextCapacity * sizeof(wchar_t)) {}
    RemoteBlock block;
    wchar_t* text() const { return reinterpret_cast<wchar_t*>(block.at(kTextOffset)); }
    std::string readText() const { return block.readText(kTextOffset, kTextCapacity); }
};

std::string listText(const Window& list, int row, int column) {
    RemoteItem<LVITEMW> remote(list);
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = remote.text();
    item.cchTextMax = static_cast<int>(kTextCapacity);
    remote.block.write(0, &item, sizeof item);
    const wchar_t none = L'\0';
    remote.block.write(RemoteItem<LVITEMW>::kTextOffset, &none, sizeof none);
    sendTo(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), remote.block.param());
    return remote.readText();
}

int columnCount(const Window& list) {
    const auto header = reinterpret_cast<HWND>(sendTo(list, LVM_GETHEADER, 0, 0));
    return header == nullptr ? 1 : static_cast<int>(sendTo(Window(header), HDM_GETITEMCOUNT, 0, 0));
}

void setItemState(const Window& list, int row, UINT state, UINT mask) {
    RemoteBlock block(list, sizeof(LVITEMW));
    LVITEMW item{};
    item.state = state;
    item.stateMask = mask;
    block.write(0, &item, sizeof item);
    sendTo(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), block.param());
}

std::string treeText(const Window& tree, HTREEITEM handle) {
    RemoteItem<TVITEMW> remote(tree);
    TVITEMW item{};
    item.mask = TVIF_TEXT | TVIF_HANDLE;
    item.hItem = handle;
    item.pszText = remote.text();
    item.cchTextMax = static_cast<int>(kTextCapacity);
    remote.block.write(0, &item, sizeof item);
    const wchar_t none = L'\0';
    remote.block.write(RemoteItem<TVITEMW>::kTextOffset, &none, sizeof none);
    if (!sendTo(tree, TVM_GETITEMW, 0, remote.block.param())) {
        throw DriverError("cannot read a tree item of " + tree.describe());
    }
    return remote.readText();
}

HTREEITEM treeNext(const Window& tree, UINT relation, HTREEITEM from) {
    return reinterpret_cast<HTREEITEM>(
        sendTo(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(from)));
}

std::vector<std::pair<HTREEITEM, std::string>> treeLevel(const Window& tree, HTREEITEM parent) {
    std::vector<std::pair<HTREEITEM, std::string>> items;
    HTREEITEM item =
        parent == nullptr ? treeNext(tree, TVGN_ROOT, nullptr) : treeNext(tree, TVGN_CHILD, parent);
    for (; item != nullptr; item = treeNext(tree, TVGN_NEXT, item)) {
        items.emplace_back(item, treeText(tree, item));
    }
    return items;
}

void expand(const Window& tree, HTREEITEM item) {
    sendTo(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
}

// The item at `path`, expanding every item on the way; null for the empty path.
HTREEITEM treeFind(const Window& tree, const std::vector<std::string>& path) {
    HTREEITEM current = nullptr;
    std::string walked;
    for (const std::string& name : path) {
        if (current != nullptr) {
            expand(tree, current);
        }
        const auto level = treeLevel(tree, current);
        HTREEITEM next = nullptr;
        for (const auto& [item, text] : level) {
            if (text == name) {
                next = item;
                break;
            }
        }
        if (next == nullptr) {
            std::string names;
            for (const auto& entry : level) {
                names += " \"" + entry.second + "\"";
            }
            throw DriverError("no tree item \"" + name + "\" under \"" + walked +
                              "\"; there are:" + (names.empty() ? " none" : names));
        }
        walked += (walked.empty() ? "" : "/") + name;
        current = next;
    }
    return current;
}

} // namespace

int Window::listCount() const {
    return static_cast<int>(sendTo(*this, LVM_GETITEMCOUNT, 0, 0));
}

std::vector<std::string> Window::listColumns() const {
    std::vector<std::string> captions;
    const int count = columnCount(*this);
    for (int column = 0; column < count; ++column) {
        RemoteItem<LVCOLUMNW> remote(*this);
        LVCOLUMNW header{};
        header.mask = LVCF_TEXT;
        header.pszText = remote.text();
        header.cchTextMax = static_cast<int>(kTextCapacity);
        remote.block.write(0, &header, sizeof header);
        if (!sendTo(*this, LVM_GETCOLUMNW, static_cast<WPARAM>(column), remote.block.param())) {
            break;
        }
        captions.push_back(remote.readText());
    }
    return captions;
}

std::vector<std::vector<std::string>> Window::listRows() const {
    std::vector<std::vector<std::string>> rows;
    const int count = listCount();
    const int columns = columnCount(*this);
    for (int row = 0; row < count; ++row) {
        std::vector<std::string> cells;
        for (int column = 0; column < columns; ++column) {
            cells.push_back(listText(*this, row, column));
        }
        rows.push_back(std::move(cells));
    }
    return rows;
}

int Window::listSelected() const {
    return static_cast<int>(sendTo(*this, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void Window::listSelect(int row) const {
    if (row < 0 || row >= listCount()) {
        throw DriverError("no row " + std::to_string(row) + " in " + describe());
    }
    setItemState(*this, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    setItemState(*this, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    sendTo(*this, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
}

void Window::listDoubleClick(int row) const {
    listSelect(row);
    RemoteBlock block(*this, sizeof(RECT));
    RECT bounds{};
    bounds.left = LVIR_LABEL;
    block.write(0, &bounds, sizeof bounds);
    if (!sendTo(*this, LVM_GETITEMRECT, static_cast<WPARAM>(row), block.param())) {
        throw DriverError("row " + std::to_string(row) + " of " + describe() + " is not shown");
    }
    block.read(0, &bounds, sizeof bounds);
    const LPARAM at =
        MAKELPARAM((bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2);
    for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}) {
        const WPARAM keys = message == WM_LBUTTONUP ? 0 : MK_LBUTTON;
        if (!PostMessageW(hwnd(), message, keys, at)) {
            throw DriverError("cannot post a click to " + describe());
        }
    }
    PostMessageW(hwnd(), WM_NULL, 0, 0);
}

std::vector<std::string> Window::treeSelectionPath() const {
    std::vector<std::string> path;
    for (HTREEITEM item = treeNext(*this, TVGN_CARET, nullptr); item != nullptr;
         item = treeNext(*this, TVGN_PARENT, item)) {
        path.insert(path.begin(), treeText(*this, item));
    }
    return path;
}

std::vector<std::string> Window::treeChildren(const std::vector<std::string>& path) const {
    HTREEITEM parent = treeFind(*this, path);
    if (parent != nullptr) {
        expand(*this, parent);
    }
    std::vector<std::string> names;
    for (const auto& entry : treeLevel(*this, parent)) {
        names.push_back(entry.second);
    }
    return names;
}

void Window::treeSelect(const std::vector<std::string>& path) const {
    HTREEITEM item = treeFind(*this, path);
    if (item == nullptr) {
        throw DriverError("cannot select the empty tree path");
    }
    sendTo(*this, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    sendTo(*this, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
}

} // namespace velk::e2e

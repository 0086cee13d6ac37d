// The shell's folder tree on a common-controls tree view. One top entry, the desktop; every
// entry owns the absolute item ID list of its folder and gets its children (folders only, no
// hidden ones) the first time it opens. Nothing watches the file system.
#include "toolkit/win32/shell_tree_view.h"

#include <commctrl.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/com_apartment.h"
#include "platform/win32/system_functions.h"
#include "platform/win32/wide_text.h"
#include "toolkit/win32/window_dpi.h"

namespace velk::win32 {

namespace {

// --- the shell's functions (system_functions.h), loaded when the first tree is made -------

// Looks every one of them up (loading their DLLs), so that none can fail later, in a
// notification or a deleter: throws AppError naming what is missing.
void requireShellFunctions() {
    coTaskMemFree.get();
    strRetToStr.get();
    shGetFileInfo.get();
    shGetDataFromIDList.get();
    shMapPidlToSystemImageListIndex.get();
    shGetDesktopFolder.get();
    shGetSpecialFolderLocation.get();
    ilGetNext.get();
    ilFindLastId.get();
    ilCombine.get();
    ilCloneFirst.get();
}

// --- owners of shell memory and COM objects ----------------------------------------------

struct TaskMemFree {
    void operator()(void* memory) const noexcept { coTaskMemFree(memory); }
};
// An item ID list (absolute or relative) allocated by the shell.
using UniquePidl = std::unique_ptr<ITEMIDLIST, TaskMemFree>;
using UniqueTaskString = std::unique_ptr<wchar_t, TaskMemFree>;

template <typename T> class ComPtr {
  public:
    ComPtr() = default;
    ComPtr(const ComPtr& other) : ptr_(other.ptr_) {
        if (ptr_ != nullptr) {
            ptr_->AddRef();
        }
    }
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(ptr_, other.ptr_);
        return *this;
    }
    ~ComPtr() { reset(); }

    T* get() const noexcept { return ptr_; }
    T* operator->() const noexcept { return ptr_; }
    T& operator*() const noexcept { return *ptr_; }
    explicit operator bool() const noexcept { return ptr_ != nullptr; }
    void reset() noexcept {
        if (ptr_ != nullptr) {
            std::exchange(ptr_, nullptr)->Release();
        }
    }
    T** put() noexcept {
        reset();
        return &ptr_;
    }
    void** putVoid() noexcept { return reinterpret_cast<void**>(put()); }

  private:
    T* ptr_ = nullptr;
};

bool isEmptyPidl(LPCITEMIDLIST pidl) {
    return pidl == nullptr || pidl->mkid.cb == 0;
}

// The text of a STRRET as the shell returns it (it frees what the STRRET held).
std::string strretText(STRRET& strret, LPCITEMIDLIST pidl) {
    wchar_t* raw = nullptr;
    if (FAILED(strRetToStr(&strret, pidl, &raw)) || raw == nullptr) {
        return {};
    }
    const UniqueTaskString text(raw);
    return toUtf8(text.get());
}

std::string displayName(IShellFolder& folder, LPCITEMIDLIST pidl, SHGDNF flags) {
    STRRET strret{};
    if (FAILED(folder.GetDisplayNameOf(pidl, flags, &strret))) {
        return {};
    }
    return strretText(strret, pidl);
}

// CompareIDs reports its order in the low word of a successful result.
bool sameItem(IShellFolder& folder, LPCITEMIDLIST a, LPCITEMIDLIST b) {
    const HRESULT hr = folder.CompareIDs(0, a, b);
    return SUCCEEDED(hr) && static_cast<short>(HRESULT_CODE(hr)) == 0;
}

struct SmallIcons {
    int normal = 0;
    int open = 0;
};

// The desktop's icons, by its absolute (empty) item ID list.
SmallIcons desktopIcons(LPCITEMIDLIST absolute) {
    SmallIcons icons;
    SHFILEINFOW info{};
    const UINT flags = SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON;
    if (shGetFileInfo(reinterpret_cast<LPCWSTR>(absolute), 0, &info, sizeof info, flags) != 0) {
        icons.normal = info.iIcon;
    }
    icons.open = icons.normal;
    if (shGetFileInfo(reinterpret_cast<LPCWSTR>(absolute), 0, &info, sizeof info,
                      flags | SHGFI_OPENICON) != 0) {
        icons.open = info.iIcon;
    }
    return icons;
}

// The icons of a folder without a look of its own.
SmallIcons plainFolderIcons() {
    SmallIcons icons;
    SHFILEINFOW info{};
    const UINT flags = SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON;
    if (shGetFileInfo(L"folder", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info, flags) != 0) {
        icons.normal = info.iIcon;
    }
    icons.open = icons.normal;
    if (shGetFileInfo(L"folder", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info,
                      flags | SHGFI_OPENICON) != 0) {
        icons.open = info.iIcon;
    }
    return icons;
}

// A child's icons in the system list. A file system folder can only have a look of its own
// (desktop.ini) when it is marked read-only or system; every other one has the plain folder
// icons, which spares the shell reading each folder. The rest are asked of the folder that
// lists them (no walk from the desktop, unlike SHGetFileInfo on an absolute ID list).
SmallIcons childIcons(IShellFolder& parent, LPCITEMIDLIST child, const SmallIcons& plain) {
    WIN32_FIND_DATAW data{};
    if (SUCCEEDED(shGetDataFromIDList(&parent, child, SHGDFIL_FINDDATA, &data, sizeof data)) &&
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
        (data.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM)) == 0) {
        return plain;
    }
    SmallIcons icons;
    icons.normal = shMapPidlToSystemImageListIndex(&parent, child, &icons.open);
    if (icons.normal < 0) {
        icons.normal = 0;
    }
    if (icons.open < 0) {
        icons.open = icons.normal;
    }
    return icons;
}

// --- the tree ------------------------------------------------------------------------------

class ShellTreeView : public Win32ControlView, public ShellTreeNavigator {
  public:
    // Pixels at 96 pixels per inch.
    static constexpr int kIndent = 19;

    ShellTreeView(ShellTree& tree, HWND parent, const ControlLayout& layout, HFONT font)
        : tree_(tree) {
        // A Unicode window: it sends its notifications in the wide form.
        hwnd_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_TREEVIEWW, L"",
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES |
                                    TVS_SHOWSELALWAYS,
                                layout.left, layout.top, layout.width, layout.height, parent,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
        if (hwnd_ == nullptr) {
            return;
        }
        SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        SendMessageW(hwnd_, TVM_SETINDENT, kIndent, 0);
        SendMessageW(hwnd_, TVM_SETBKCOLOR, 0, static_cast<LPARAM>(-1)); // the window colour

        // The system's small icon list belongs to the shell: the tree only borrows it.
        SHFILEINFOW info{};
        const auto icons = reinterpret_cast<HIMAGELIST>(
            shGetFileInfo(L"C:\\", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
        if (icons != nullptr) {
            SendMessageW(hwnd_, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(icons));
        }
        plainIcons_ = plainFolderIcons();

        tree_.bindNavigator(this);
        if (FAILED(shGetDesktopFolder(desktop_.put())) || !desktop_) {
            return;
        }
        LPITEMIDLIST desktopPidl = nullptr;
        if (FAILED(shGetSpecialFolderLocation(hwnd_, CSIDL_DESKTOP, &desktopPidl)) ||
            desktopPidl == nullptr) {
            return;
        }
        UniquePidl rootPidl(desktopPidl);
        const std::string name = displayName(*desktop_, rootPidl.get(), SHGDN_NORMAL);
        const SmallIcons rootIcons = desktopIcons(rootPidl.get());
        root_ = insert(TVI_ROOT, std::move(rootPidl), name, rootIcons, true, desktop_);
        if (root_ == nullptr) {
            return;
        }
        open(root_);
        select(root_);
    }

    ShellTreeView(const ShellTreeView&) = delete;
    ShellTreeView& operator=(const ShellTreeView&) = delete;

    ~ShellTreeView() override {
        tree_.bindNavigator(nullptr);
        destroying_ = true;
        if (hwnd_ != nullptr && IsWindow(hwnd_)) {
            DestroyWindow(hwnd_);
        }
    }

    void refresh() override {
        if (hwnd_ != nullptr) {
            EnableWindow(hwnd_, tree_.enabled() ? TRUE : FALSE);
        }
    }

    // The indent grows with the resolution; the icons come from the system's small list, or
    // from its large one once that is no larger than small icons at this resolution would be
    // (the lists share their indexes).
    void rescale(const ControlPlace& place, HFONT font, int dpi) override {
        Win32ControlView::rescale(place, font, dpi);
        SendMessageW(hwnd_, TVM_SETINDENT, static_cast<WPARAM>(MulDiv(kIndent, dpi, 96)), 0);
        const int wanted = MulDiv(GetSystemMetrics(SM_CXSMICON), dpi, systemDpi());
        const UINT size = GetSystemMetrics(SM_CXICON) <= wanted ? SHGFI_LARGEICON : SHGFI_SMALLICON;
        SHFILEINFOW info{};
        const auto icons = reinterpret_cast<HIMAGELIST>(
            shGetFileInfo(L"C:\\", 0, &info, sizeof info, SHGFI_SYSICONINDEX | size));
        if (icons != nullptr) {
            SendMessageW(hwnd_, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(icons));
        }
    }

    bool onNotify(NMHDR& header, LRESULT& result) override {
        if (destroying_) {
            return false;
        }
        auto& notice = reinterpret_cast<NMTREEVIEWW&>(header);
        switch (header.code) {
        case TVN_ITEMEXPANDINGW:
            if ((notice.action & TVE_EXPAND) != 0) {
                fill(notice.itemNew.hItem);
            }
            result = FALSE; // let it open
            return true;
        case TVN_SELCHANGEDW:
            reportSelection();
            result = 0;
            return true;
        case TVN_DELETEITEMW:
            nodes_.erase(reinterpret_cast<Node*>(notice.itemOld.lParam));
            result = 0;
            return true;
        case NM_RCLICK:
            selectUnderMouse();
            result = TRUE; // handled: no default processing
            return true;
        default:
            return false;
        }
    }

    // --- ShellTreeNavigator ------------------------------------------------------------------

    void selectFolder(const std::string& folder) override {
        if (root_ == nullptr) {
            return;
        }
        // A check of the same text just before has parsed it already.
        UniquePidl target = std::move(checked_);
        if (!target || checkedText_ != folder) {
            target = parse(folder);
        }
        checkedText_.clear();
        if (!target) {
            return;
        }
        // Walk the target's item IDs from the desktop down, opening only the ancestors. (Turning
        // the tree's redrawing off meanwhile measured slower under Wine, not faster.)
        HTREEITEM item = root_;
        for (LPCITEMIDLIST step = target.get(); !isEmptyPidl(step); step = ilGetNext(step)) {
            open(item);
            HTREEITEM next = childFor(item, step);
            if (next == nullptr) {
                return; // not in the tree (a hidden folder, for instance): selection unchanged
            }
            item = next;
        }
        select(item);
    }

    bool selectionIs(const std::string& folder) override {
        checked_.reset();
        checkedText_.clear();
        Node* selected = nodeOf(selectedItem());
        if (selected == nullptr || !desktop_) {
            return false;
        }
        UniquePidl target = parse(folder);
        if (!target) {
            return false;
        }
        if (sameItem(*desktop_, selected->pidl.get(), target.get())) {
            return true;
        }
        // Two namespace items for one file system folder (the desktop entry and the desktop's
        // folder, for instance) are the same folder when the shell gives them one path.
        const std::string targetPath = pathOf(target.get());
        if (!targetPath.empty() &&
            lstrcmpiW(toWide(targetPath).c_str(), toWide(tree_.selectedPath()).c_str()) == 0) {
            return true;
        }
        // Positioning on it usually follows at once.
        checked_ = std::move(target);
        checkedText_ = folder;
        return false;
    }

  private:
    struct Node {
        UniquePidl pidl;                   // absolute, from the desktop
        ComPtr<IShellFolder> parentFolder; // the folder that lists it (the desktop for itself)
        ComPtr<IShellFolder> folder;       // its own, bound when first needed
        bool filled = false;
    };

    UniquePidl parse(const std::string& folder) const {
        if (!desktop_ || folder.empty()) {
            return nullptr;
        }
        // A relative path names a folder below the process's current folder, as it does for the
        // file system; the shell parses full paths only.
        // ParseDisplayName wants a writable string.
        std::wstring full = toWide(folder);
        if (const DWORD needed = GetFullPathNameW(full.c_str(), 0, nullptr, nullptr)) {
            std::wstring buffer(needed, L'\0');
            const DWORD written = GetFullPathNameW(full.c_str(), needed, buffer.data(), nullptr);
            if (written > 0 && written < needed) {
                buffer.resize(written);
                full = std::move(buffer);
            }
        }
        LPITEMIDLIST pidl = nullptr;
        if (FAILED(
                desktop_->ParseDisplayName(hwnd_, nullptr, full.data(), nullptr, &pidl, nullptr))) {
            return nullptr;
        }
        return UniquePidl(pidl);
    }

    // The path the picker reports: the parsing name relative to the desktop of a folder of the
    // file system; empty for an entry that has no place there (the computer, Control Panel, a
    // network root without a share).
    std::string pathOf(LPCITEMIDLIST absolute) const {
        SHFILEINFOW info{};
        info.dwAttributes = SFGAO_FILESYSTEM;
        if (shGetFileInfo(reinterpret_cast<LPCWSTR>(absolute), 0, &info, sizeof info,
                          SHGFI_PIDL | SHGFI_ATTRIBUTES | SHGFI_ATTR_SPECIFIED) == 0 ||
            (info.dwAttributes & SFGAO_FILESYSTEM) == 0) {
            return {};
        }
        return displayName(*desktop_, absolute, SHGDN_FORPARSING);
    }

    // The entry's own folder, bound once through the folder that lists it, so that no level is
    // walked from the desktop again.
    IShellFolder* folderOf(Node& node) const {
        if (!node.folder) {
            if (isEmptyPidl(node.pidl.get())) {
                node.folder = desktop_;
            } else if (FAILED(node.parentFolder->BindToObject(ilFindLastId(node.pidl.get()),
                                                              nullptr, IID_IShellFolder,
                                                              node.folder.putVoid()))) {
                node.folder.reset();
            }
        }
        return node.folder.get();
    }

    HTREEITEM insert(HTREEITEM parent, UniquePidl absolute, const std::string& name,
                     const SmallIcons& icons, bool hasChildren,
                     const ComPtr<IShellFolder>& parentFolder) {
        auto node = std::make_unique<Node>();
        node->pidl = std::move(absolute);
        node->parentFolder = parentFolder;
        std::wstring text = toWide(name);
        TVINSERTSTRUCTW insertion{};
        insertion.hParent = parent;
        insertion.hInsertAfter = TVI_LAST;
        insertion.item.mask =
            TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_CHILDREN;
        insertion.item.pszText = text.data();
        insertion.item.iImage = icons.normal;
        insertion.item.iSelectedImage = icons.open;
        insertion.item.cChildren = hasChildren ? 1 : 0;
        insertion.item.lParam = reinterpret_cast<LPARAM>(node.get());
        const auto item = reinterpret_cast<HTREEITEM>(
            SendMessageW(hwnd_, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insertion)));
        if (item != nullptr) {
            Node* key = node.get();
            nodes_.emplace(key, std::move(node));
        }
        return item;
    }

    Node* nodeOf(HTREEITEM item) const {
        if (item == nullptr) {
            return nullptr;
        }
        TVITEMW query{};
        query.mask = TVIF_HANDLE | TVIF_PARAM;
        query.hItem = item;
        if (SendMessageW(hwnd_, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&query)) == FALSE) {
            return nullptr;
        }
        const auto found = nodes_.find(reinterpret_cast<Node*>(query.lParam));
        return found != nodes_.end() ? found->second.get() : nullptr;
    }

    HTREEITEM selectedItem() const {
        return reinterpret_cast<HTREEITEM>(SendMessageW(hwnd_, TVM_GETNEXTITEM, TVGN_CARET, 0));
    }

    HTREEITEM nextItem(HTREEITEM item, WPARAM relation) const {
        return reinterpret_cast<HTREEITEM>(
            SendMessageW(hwnd_, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
    }

    // Enumerates the entry's subfolders once, sorted as the shell sorts them.
    void fill(HTREEITEM item) {
        Node* node = nodeOf(item);
        if (node == nullptr || node->filled) {
            return;
        }
        node->filled = true;

        struct Child {
            UniquePidl relative;
            std::string name;
            bool hasChildren;
        };
        std::vector<Child> children;
        IShellFolder* folder = folderOf(*node);
        ComPtr<IEnumIDList> entries;
        if (folder != nullptr &&
            folder->EnumObjects(hwnd_, SHCONTF_FOLDERS, entries.put()) == S_OK && entries) {
            LPITEMIDLIST raw = nullptr;
            while (entries->Next(1, &raw, nullptr) == S_OK && raw != nullptr) {
                UniquePidl relative(std::exchange(raw, nullptr));
                LPCITEMIDLIST items[] = {relative.get()};
                SFGAOF attributes = SFGAO_HASSUBFOLDER;
                if (FAILED(folder->GetAttributesOf(1, items, &attributes))) {
                    attributes = SFGAO_HASSUBFOLDER; // unknown: offer to open it
                }
                std::string name = displayName(*folder, relative.get(), SHGDN_INFOLDER);
                children.push_back(
                    {std::move(relative), std::move(name), (attributes & SFGAO_HASSUBFOLDER) != 0});
            }
            std::stable_sort(
                children.begin(), children.end(), [folder](const Child& a, const Child& b) {
                    const HRESULT hr = folder->CompareIDs(0, a.relative.get(), b.relative.get());
                    return SUCCEEDED(hr) && static_cast<short>(HRESULT_CODE(hr)) < 0;
                });
        }
        for (Child& child : children) {
            UniquePidl absolute(ilCombine(node->pidl.get(), child.relative.get()));
            if (absolute) {
                insert(item, std::move(absolute), child.name,
                       childIcons(*folder, child.relative.get(), plainIcons_), child.hasChildren,
                       node->folder);
            }
        }
        if (children.empty()) {
            TVITEMW update{};
            update.mask = TVIF_HANDLE | TVIF_CHILDREN;
            update.hItem = item;
            update.cChildren = 0;
            SendMessageW(hwnd_, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&update));
        }
    }

    void open(HTREEITEM item) {
        fill(item);
        SendMessageW(hwnd_, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
    }

    // The child entry of `parent` for the first item ID of `step`.
    HTREEITEM childFor(HTREEITEM parent, LPCITEMIDLIST step) {
        Node* parentNode = nodeOf(parent);
        IShellFolder* folder = parentNode != nullptr ? folderOf(*parentNode) : nullptr;
        const UniquePidl wanted(ilCloneFirst(step));
        if (folder == nullptr || !wanted) {
            return nullptr;
        }
        std::vector<std::pair<HTREEITEM, LPCITEMIDLIST>> children;
        for (HTREEITEM child = nextItem(parent, TVGN_CHILD); child != nullptr;
             child = nextItem(child, TVGN_NEXT)) {
            if (Node* node = nodeOf(child)) {
                children.emplace_back(child, ilFindLastId(node->pidl.get()));
            }
        }
        // Usually the parsed ID is byte for byte the one the folder listed; else the folder
        // compares them.
        const USHORT size = wanted->mkid.cb;
        for (const auto& [child, last] : children) {
            if (last->mkid.cb == size && std::memcmp(last, wanted.get(), size) == 0) {
                return child;
            }
        }
        for (const auto& [child, last] : children) {
            if (sameItem(*folder, last, wanted.get())) {
                return child;
            }
        }
        return nullptr;
    }

    // Selects the entry and tells the control; the notification that the tree sends as well
    // finds the selection already reported.
    void select(HTREEITEM item) {
        SendMessageW(hwnd_, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
        SendMessageW(hwnd_, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
        reportSelection();
    }

    void reportSelection() {
        Node* node = nodeOf(selectedItem());
        if (node == nullptr) {
            tree_.setSelection(0, {});
            return;
        }
        const auto id = reinterpret_cast<ShellTree::NodeId>(node);
        if (id != tree_.selectedNode()) {
            tree_.setSelection(id, pathOf(node->pidl.get()));
        }
    }

    void selectUnderMouse() {
        const DWORD position = GetMessagePos();
        TVHITTESTINFO hit{};
        hit.pt.x = static_cast<short>(LOWORD(position));
        hit.pt.y = static_cast<short>(HIWORD(position));
        ScreenToClient(hwnd_, &hit.pt);
        const auto item = reinterpret_cast<HTREEITEM>(
            SendMessageW(hwnd_, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
        if (item != nullptr && (hit.flags & TVHT_ONITEM) != 0) {
            select(item);
        }
    }

    ShellTree& tree_;
    ComApartment apartment_;
    ComPtr<IShellFolder> desktop_;
    SmallIcons plainIcons_;
    UniquePidl checked_; // the folder that selectionIs found not selected, parsed
    std::string checkedText_;
    std::map<Node*, std::unique_ptr<Node>> nodes_;
    HTREEITEM root_ = nullptr;
    bool destroying_ = false;
};

} // namespace

std::unique_ptr<Win32ControlView> createShellTreeView(ShellTree& tree, HWND parent,
                                                      const ControlLayout& layout, HFONT font) {
    requireShellFunctions();
    return std::make_unique<ShellTreeView>(tree, parent, layout, font);
}

} // namespace velk::win32

#pragma once
// The shell's folder tree as the logic sees it: which folder is selected (its path in the shell
// namespace, empty for none) and a handler that runs whenever the selection really changes.
// Everything that needs the shell itself (expanding ancestors, comparing folders as the shell
// sees them) goes through a ShellTreeNavigator, which the real tree implements and tests fake.

#include <cstdint>
#include <functional>
#include <string>

#include "toolkit/controls.h"

namespace velk {

class ShellTreeNavigator {
  public:
    virtual ~ShellTreeNavigator() = default;
    // Positions the tree on `folder`: expands each ancestor from the desktop down and selects
    // the folder's entry (which reports the new selection to the control). Leaves the tree as
    // it was when the shell cannot resolve the folder.
    virtual void selectFolder(const std::string& folder) = 0;
    // True when the selected entry is the folder `folder` names, as the shell compares folders
    // (so "C:\Data\" and "c:\data" are the same folder).
    virtual bool selectionIs(const std::string& folder) = 0;
};

class ShellTree : public Control {
  public:
    // Identifies one entry of the tree; 0 is "no entry".
    using NodeId = std::uintptr_t;

    std::function<void()> onChange;

    bool hasSelection() const { return node_ != 0; }
    // The selected folder's path in the file system: its parsing name relative to the desktop.
    // Empty when nothing is selected, and for an entry that has no place in the file system
    // (the computer, Control Panel, a network root without a share).
    const std::string& selectedPath() const { return path_; }
    NodeId selectedNode() const { return node_; }

    // The tree reports its selection here; onChange runs only when another entry became
    // selected (or the selection became empty), never for the same entry again.
    void setSelection(NodeId node, const std::string& path) {
        if (node == node_) {
            return;
        }
        node_ = node;
        path_ = node != 0 ? path : std::string();
        changed();
        if (onChange) {
            onChange();
        }
    }

    // True when the tree's selection already is the folder `folder` names.
    bool selects(const std::string& folder) const {
        return hasSelection() && navigator_ != nullptr && navigator_->selectionIs(folder);
    }
    // Positions the tree on an existing folder; nothing without a real (or fake) tree.
    void selectFolder(const std::string& folder) {
        if (navigator_ != nullptr) {
            navigator_->selectFolder(folder);
        }
    }

    void bindNavigator(ShellTreeNavigator* navigator) { navigator_ = navigator; }

  private:
    NodeId node_ = 0;
    std::string path_;
    ShellTreeNavigator* navigator_ = nullptr;
};

} // namespace velk

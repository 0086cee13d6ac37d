#include "dialogs/directory_form.h"

#include "platform/file_system.h"

namespace velk {

TDirectoryForm::TDirectoryForm(Platform& platform) : platform_(platform) {
    ShellTree.onChange = [this] { ShellTreeChange(); };
    btOK.onClick = [this] { btOKClick(); };
    btCancel.onClick = [this] { btCancelClick(); };
}

FormLayout TDirectoryForm::layout() {
    using K = ControlKind;
    return FormLayout{
        "Browse for Folder",
        FrameKind::Resizable,
        Placement::Designed,
        402,
        277,
        296,
        323,
        {
            {&ShellTree, K::ShellTree, "ShellTree", 8, 56, 273, 201, 0, nullptr, false, nullptr,
             "Folders"},
            {&eFolder, K::Edit, "eFolder", 8, 24, 273, 21, 1},
            {&btOK, K::Button, "btOK", 125, 264, 75, 25, 2},
            {&btCancel, K::Button, "btCancel", 205, 264, 75, 25, 3},
            {&lFOlder, K::Label, "lFOlder", 8, 8, 0, 0, -1, nullptr, false, &eFolder},
        },
        &btOK,
        &btCancel,
    };
}

void TDirectoryForm::SetFolder(const std::string& folder, const std::string& from) {
    eFolder.setText(folder);
    // The shell would take a relative path from the process's current folder: the tree gets the
    // folder's full path.
    const std::string full = fullPathFrom(platform_.files, folder, from);
    if (!platform_.files.folderExists(full)) {
        return;
    }
    if (!ShellTree.selects(full)) {
        ShellTree.selectFolder(full);
    }
}

// An entry that has no place in the file system is no folder to install into: OK waits for one
// that has, and the text keeps the last folder.
void TDirectoryForm::ShellTreeChange() {
    if (!ShellTree.hasSelection()) {
        return;
    }
    const std::string& path = ShellTree.selectedPath();
    btOK.setEnabled(!path.empty());
    if (!path.empty()) {
        eFolder.setText(path);
    }
}

void TDirectoryForm::btOKClick() {
    close(ModalResult::Ok);
}

void TDirectoryForm::btCancelClick() {
    close(ModalResult::Cancel);
}

} // namespace velk

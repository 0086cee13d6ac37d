#pragma once
// The folder picker: a folder text field above the shell's folder tree. Selecting a folder in
// the tree writes its path into the text field; the user may also type there. The text of the
// field when the picker closes with OK is the chosen folder; nothing is checked or created.
// While the tree's selection has no place in the file system, OK is disabled.

#include <string>

#include "platform/platform.h"
#include "toolkit/controls.h"
#include "toolkit/form.h"
#include "toolkit/shell_tree.h"

namespace velk {

class TDirectoryForm : public Form {
  public:
    explicit TDirectoryForm(Platform& platform);

    FormLayout layout() override;

    // Puts `folder` into the text field and, when it names an existing folder that the tree
    // does not select yet, positions the tree on it (which replaces the text with the tree's
    // path of that folder). A relative `folder` starts at `from` (a full path; when empty, the
    // process's current folder).
    void SetFolder(const std::string& folder, const std::string& from = {});

    void ShellTreeChange();
    void btOKClick();
    void btCancelClick();

    // Controls.
    ::velk::ShellTree ShellTree;
    Edit eFolder{"eFolder"};
    Button btOK{"OK"};
    Button btCancel{"Cancel"};
    Label lFOlder{"Folder for the new Project"};

  private:
    Platform& platform_;
};

} // namespace velk

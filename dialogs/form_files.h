#pragma once
// The file list dialog: the package's library files with their sizes and a summary line. A
// double-click opens a file with the program associated with its type.

#include <string>

#include "platform/platform.h"
#include "toolkit/controls.h"
#include "toolkit/form.h"

namespace velk {

class TFormFiles : public Form {
  public:
    // `packageFolder` is the main window's package folder (ending with a backslash), read at each
    // double-click: the file opened is the one in the package folder of that moment.
    TFormFiles(Platform& platform, const std::string& packageFolder);

    FormLayout layout() override;

    // Empties the list and fills it, and the summary line, from `folder` + "Libs" (`folder` ends
    // with a backslash, a full path).
    void fillFileList(const std::string& folder);

    void btCloseClick();
    void lvFilesDblClick();

    // Controls.
    ListView lvFiles{{{"File Name", 257}, {"Size (bytes)", 100}}};
    Label lFiles{"lFiles"};
    Button btClose{"&Close"};

  private:
    Platform& platform_;
    const std::string& packageFolder_;
};

} // namespace velk

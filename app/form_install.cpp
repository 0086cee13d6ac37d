#include "app/form_install.h"

#include "app/error_report.h"

#include <utility>

namespace velk {

TFormInstall::TFormInstall(Platform& platform, std::vector<std::string> arguments)
    : runLog_(platform.log), boxes_(platform.boxes, runLog_),
      arguments_(std::move(arguments)), platform_{
                                            platform.registry,  platform.files, boxes_,
                                            platform.processes, platform.log,   platform.inUse} {
    grLocation.onChange = [this] { grLocationClick(); };
    rgLang.onChange = [this] { grLocationClick(); };
    btBrowse.onClick = [this] { btBrowseClick(); };
    btFileList.onClick = [this] { btFileListClick(); };
    btReadme.onClick = [this] { btReadmeClick(); };
    btRemove.onClick = [this] { btRemoveClick(); };
    btInstall.onClick = [this] { btInstallClick(); };
    btExit.onClick = [this] { btExitClick(); };
    runReportingErrors(platform_.boxes, [this] { FormCreate(); });
}

TFormInstall::~TFormInstall() {
    FormDestroy();
}

void TFormInstall::attachDialogs(TFormFiles* files, TDirectoryForm* directory) {
    formFiles_ = files;
    directoryForm_ = directory;
}

FormLayout TFormInstall::layout() {
    using K = ControlKind;
    return FormLayout{
        "Zull Installation Tool",
        FrameKind::FixedDialog,
        Placement::ScreenCenter,
        0,
        0,
        545,
        261,
        {
            {&MemoInfo, K::Memo, "MemoInfo", 8, 8, 361, 41, 10, nullptr, false, nullptr, "Licence"},
            {&ImLogo, K::Picture, "ImLogo", 416, 0, 121, 49, -1},
            {&grLocation, K::RadioGroup, "grLocation", 8, 48, 105, 121, 1},
            {&rgLang, K::RadioGroup, "rgLang", 120, 48, 121, 121, 2},
            {&grLibInfo, K::GroupBox, "grLibInfo", 248, 48, 289, 121, 0},
            {&lName, K::Label, "lName", 8, 24, 0, 0, -1, &grLibInfo, false, &lLibName},
            {&lVersion, K::Label, "lVersion", 8, 48, 0, 0, -1, &grLibInfo, false, &lLibVersion},
            {&lDistributed, K::Label, "lDistributed", 8, 72, 0, 0, -1, &grLibInfo, false,
             &lLibDistributed},
            {&lAuthor, K::Label, "lAuthor", 8, 96, 0, 0, -1, &grLibInfo, false, &lLibAuthor},
            {&lLibName, K::Label, "lLibName", 80, 24, 0, 0, -1, &grLibInfo, true},
            {&lLibVersion, K::Label, "lLibVersion", 80, 48, 0, 0, -1, &grLibInfo, true},
            {&lLibDistributed, K::Label, "lLibDistributed", 80, 72, 0, 0, -1, &grLibInfo, true},
            {&lLibAuthor, K::Label, "lLibAuthor", 80, 96, 0, 0, -1, &grLibInfo, true},
            {&lInstall, K::Label, "lInstall", 8, 176, 0, 0, -1, nullptr, false, &eInstallDir},
            {&eInstallDir, K::Edit, "eInstallDir", 8, 192, 441, 21, 3},
            {&btBrowse, K::Button, "btBrowse", 456, 191, 75, 25, 4},
            {&btFileList, K::Button, "btFileList", 8, 224, 75, 25, 5},
            {&btReadme, K::Button, "btReadme", 88, 224, 75, 25, 6},
            {&btRemove, K::Button, "btRemove", 296, 224, 75, 25, 7},
            {&btInstall, K::Button, "btInstall", 376, 224, 75, 25, 8},
            {&btExit, K::Button, "btExit", 456, 224, 75, 25, 9},
        },
        nullptr,
        nullptr,
        "MS Sans Serif",               // the dialogs take it too
        LayoutRect{168, 228, 123, 17}, // between "Readme..." and "Remove"
        "Progress",
    };
}

} // namespace velk

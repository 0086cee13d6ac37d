// The floor of the start-up benchmark: the installer's main window as the installer makes it
// (its layout table, fonts and manifest, every control created and shown, through the same
// window binding), with nothing behind it: no package description, no registry, no logo, no
// dialogs. What the installer takes beyond this is its own work.
//
//   floor_window [--description] [--registry] [--logo] [--dialogs] [--repaint]
//
// Each option adds one piece of the installer's start-up back, for the benchmark's breakdown:
//   --description  the package description read from the file system (the program's folder)
//   --registry     the registry read (unattended-install key, host suite folders)
//   --logo         the logo loaded and shown
//   --dialogs      the file list's and the folder picker's windows made, hidden, before the main
//                  window shows (with the shell's DLLs and COM that the folder tree loads)
//   --repaint      the whole main window, every control, painted once more right after it shows:
//                  the time that adds is what its first paint takes
// Built a second time as floor_imports.exe, which imports shell32, shlwapi and ole32 statically
// as the installer once did, for the share of those imports.
#include <windows.h>

#include <commctrl.h>
#if defined(VELK_FLOOR_STATIC_IMPORTS)
#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>
#endif

#include <cstring>
#include <memory>

#include "app/form_install.h"
#include "bench/common/silent_boxes.h"
#include "dialogs/directory_form.h"
#include "dialogs/form_files.h"
#include "platform/win32/dll_search.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_registry.h"
#include "toolkit/win32/window_binding.h"

namespace {

using namespace velk;

// No package: every folder and file is missing.
class NoFiles : public FileSystem {
  public:
    bool folderExists(const std::string&) override { return false; }
    bool fileExists(const std::string&) override { return false; }
    FsResult enumerate(const std::string&, const std::function<void(const DirEntry&)>&) override {
        return {};
    }
    std::string programFolder() override { return "C:\\floor\\"; }
    FsResult copyNewFile(const std::string&, const std::string&) override { return refused(); }
    FsResult createFolder(const std::string&) override { return refused(); }
    FsResult deleteFile(const std::string&) override { return refused(); }
    FsResult replaceFile(const std::string&, const std::string&) override { return refused(); }
    FsResult clearReadOnly(const std::string&) override { return refused(); }
    FsResult setKeptAttributes(const std::string&, std::uint32_t) override { return refused(); }
    FsResult compareContents(const std::string&, const std::string&, bool&, std::string*,
                             std::string*) override {
        return refused();
    }
    bool isLink(const std::string&) override { return false; }
    FsResult moveFile(const std::string&, const std::string&) override { return refused(); }
    FsResult linkFile(const std::string&, const std::string&) override { return refused(); }
    FsResult writeNewFile(const std::string&, std::string_view) override { return refused(); }
    FsResult createNewFile(const std::string&, std::unique_ptr<FileWriter>&) override {
        return refused();
    }
    FsResult createHiddenFolder(const std::string&) override { return refused(); }
    FsResult removeFolder(const std::string&) override { return refused(); }
    FsResult discardFile(const std::string&) override { return refused(); }
    FsResult holdFile(const std::string&, std::unique_ptr<HeldFile>&) override { return refused(); }
    FsResult holdFolder(const std::string&, std::unique_ptr<HeldFile>&) override {
        return refused();
    }
    std::string errorMessage(unsigned long) override { return {}; }
    std::string windowsFolder() override { return "C:\\windows"; }
    FsResult readFile(const std::string&, std::string& content) override {
        content.clear();
        return {};
    }
    std::string fullPath(const std::string& path) override { return path; }
    std::vector<FolderId> folderLineage(const std::string&) override { return {}; }
    int compareFileNames(const std::string& a, const std::string& b) override {
        return a.compare(b);
    }
    std::string ansiToUtf8(std::string_view text) override { return std::string(text); }
    std::string finalFolderPath(const std::string&) override { return {}; }
    FsResult readSmallFile(const std::string&, std::size_t, std::string&) override {
        return refused();
    }
    FsResult readFilePiece(const std::string&, std::size_t, std::uint64_t, std::size_t,
                           std::string&, std::uint64_t&) override {
        return refused();
    }
    Owner ownerOf(const std::string&) override { return Owner::NotKept; }
    FsResult restrictToAdministrators(const std::string&) override { return {}; }

    std::string finalPath(const std::string&) override { return {}; }

  private:
    static FsResult refused() { return FsResult::failure(kErrorAccessDenied); }
};

// No registry: every key is missing.
class NoRegistry : public Registry {
  public:
    std::unique_ptr<RegistryKey> openLocalMachine(const std::string&) override { return nullptr; }
    std::unique_ptr<RegistryKey> openClassesRoot(const std::string&) override { return nullptr; }
};

class NoProcesses : public ProcessStarter {
  public:
    void startProgram(const std::string&, const std::string&) override {}
};

bool hasOption(const char* commandLine, const char* option) {
    return std::strstr(commandLine, option) != nullptr;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    using namespace velk::win32;
    restrictDllSearch();
#if defined(VELK_FLOOR_STATIC_IMPORTS)
    // Never true: only the imports count, not the calls.
    if (hasOption(commandLine, "--import-only-never-given")) {
        CoUninitialize();
        SHGetDesktopFolder(nullptr);
        StrRetToStrW(nullptr, nullptr, nullptr);
    }
#endif
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES |
                                                       ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&controls);

    NoFiles noFiles;
    NoRegistry noRegistry;
    Win32FileSystem realFiles;
    Win32Registry realRegistry;
    bench::SilentBoxes boxes;
    NoProcesses processes;
    Platform platform{
        hasOption(commandLine, "--registry") ? static_cast<Registry&>(realRegistry) : noRegistry,
        hasOption(commandLine, "--description") ? static_cast<FileSystem&>(realFiles) : noFiles,
        boxes, processes};

    TFormInstall main(platform);
    if (!hasOption(commandLine, "--logo")) {
        main.ImLogo.setFileName("");
    }
    const RunReportingErrors reporting = [](const std::function<void()>& action) { action(); };
    FormWindow mainWindow(main, reporting, "TFormInstall");
    mainWindow.create();
    if (mainWindow.hwnd() == nullptr) {
        return 1;
    }
    TFormFiles formFiles(platform, main.packageFolder);
    TDirectoryForm directoryForm(platform);
    FormWindow filesWindow(formFiles, reporting, "TFormFiles", &mainWindow);
    FormWindow directoryWindow(directoryForm, reporting, "TDirectoryForm", &mainWindow);
    if (hasOption(commandLine, "--dialogs")) {
        filesWindow.create();
        directoryWindow.create();
    }

    mainWindow.show();
    if (hasOption(commandLine, "--repaint")) {
        RedrawWindow(mainWindow.hwnd(), nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }
    FormWindow::runMessageLoop();
    return 0;
}

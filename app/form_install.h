#pragma once
// The main window: its controls, its state record and its handlers. The handlers live in files
// named after what they do (start-up, description reading, host suite lookup, installation,
// removal, the buttons that open the dialogs).

#include <optional>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/exit_code.h"
#include "app/run_log.h"
#include "package/transaction.h"
#include "platform/platform.h"
#include "toolkit/controls.h"
#include "toolkit/form.h"

namespace velk {

class TFormFiles;
class TDirectoryForm;

class TFormInstall : public Form {
  public:
    // Connects the handlers and runs FormCreate; an error that FormCreate does not handle ends it
    // at that step and is shown by the general error report.
    // `arguments`: the program's command line, its own name left out (app/command_line.h).
    explicit TFormInstall(Platform& platform, std::vector<std::string> arguments = {});
    ~TFormInstall() override;

    FormLayout layout() override;

    // The dialogs are created after the main window and handed over here.
    void attachDialogs(TFormFiles* files, TDirectoryForm* directory);

    // Controls. An "&" in a caption marks its access key (Alt and the letter after it), one
    // letter for each control of the window.
    Memo MemoInfo{{""}};
    Picture ImLogo{"Logo"}; // named after the library once its description is read
    RadioGroup grLocation{"&Location", {"Dorvan5"}};
    RadioGroup rgLang{"&Default language", {"English", "France", "German", "Italien"}};
    GroupBox grLibInfo{"Library Information"};
    Label lName{"Name"};
    Label lVersion{"Version"};
    Label lDistributed{"Distributed"};
    Label lAuthor{"Author"};
    Label lLibName;
    Label lLibVersion;
    Label lLibDistributed;
    Label lLibAuthor;
    Label lInstall{"Install &Path"};
    Edit eInstallDir;
    Button btBrowse{"&Browse"};
    Button btFileList{"&File List..."};
    Button btReadme{"&Readme..."};
    Button btRemove{"Re&move"};
    Button btInstall{"&Install"};
    Button btExit{"E&xit"};

    // State record.
    std::string libName;
    std::string libVersion;
    std::string libDistributed;
    std::string libAuthor;
    int targetLibKind = 0;
    std::string logoFile;
    std::vector<std::string> acceptedVersions;
    std::string descriptionFile;
    bool silentMode = false;
    std::string silentPath;
    std::string silentLanguage;
    bool activatedOnce = false;
    std::string packageFolder;
    // The command line as read at start-up, and what the first activation does: installation
    // or removal, asked for by the command line or the unattended-install key; None: nothing, the
    // window waits for the user. The command line wins over the key where both say something.
    CommandLine commandLine;
    CommandLine::Action startAction = CommandLine::Action::None;
    // How long an unattended run waits for files in use, in seconds (/wait=, else the key's
    // WaitInUse); nothing: as long as the program waits by default.
    std::optional<unsigned> waitInUse;
    // Files in use, found before the first change of an installation or removal. Where nobody
    // is at the desktop, in a quiet or passive run (`waitUnasked`: no question is put to
    // anybody), and for as long as `silentMode` is on (the key's run installs without
    // questions, whoever is at the desktop), they are looked at again every second for up to
    // `waitInUse` seconds (60 when nothing says otherwise, 0: not at all) and then stop the run
    // with kExitFilesInUse; otherwise the user is asked to close them and retry.
    bool waitUnasked = false;

    // The program's exit code (app/exit_code.h says what each means). An interactive run ends
    // with 0, or 1 after an undone failure (3 when the undo failed too); an unattended run, or
    // one the command line asks for, tells its installation's (or /remove's) outcome, which what
    // the user then does by hand in a window it left open does not change. Unattended settings
    // that cannot be read, and a run that would wait for somebody where nobody is at the
    // desktop, end with 2; a bad command line with 87 before anything is done; /? with 0.
    int exitCode = kExitInstalled;

    // The program's end: the run log's last line names the exit code, which this gives.
    int finish() { return runLog_.end(exitCode); }

    // Start-up and window events (form_create.cpp, form_activate.cpp).
    void FormCreate();
    void readUnattendedSettings();
    // Takes what the command line and the key ask for, the command line first where both say
    // something; gives the log's line that names each setting and where it came from.
    std::string takeStartSettings();
    void FormActivate();
    void FormClose();
    void FormDestroy();
    void btExitClick();

    // Package description (description_reading.cpp). `fileName` is the description's full path.
    bool findDescriptionFile(const std::string& folder);
    bool readDescription(const std::string& fileName);

    // Host suite and target folder (location_click.cpp; the lookups are in host_suite.h).
    void grLocationClick();

    // Installation and removal (install_library.cpp, remove_library.cpp).
    void btInstallClick();
    void installLibrary();
    void btRemoveClick();
    void removeLibrary();

    // Buttons that open the dialogs and documents (file_list_click.cpp, readme_click.cpp,
    // browse_click.cpp).
    void btFileListClick();
    void btReadmeClick();
    void btBrowseClick();

    Platform& platform() { return platform_; }
    // Whether the main window is ever shown: not in a quiet run.
    bool showsWindow() const { return commandLine.display != CommandLine::Display::Quiet; }
    // Whether the first activation installs or removes without the user's click.
    bool unattended() const { return startAction != CommandLine::Action::None; }

  private:
    // Installation and removal start alike. The target folder typed in eInstallDir is turned
    // into its full path as Windows resolves it; that folder must exist (else the user is told),
    // must not be the package's "Libs" folder nor lie below it, nor be a folder whose place
    // cannot be told (else the user is told `insideLibs`), and the "Libs" folder must exist
    // (else they stop without a word). Gives that full path, the one form of the target that
    // the questions and every path composed from it use; nothing when the operation must stop.
    std::optional<std::string> usableTarget(const std::string& libsFolder,
                                            const std::string& insideLibs);
    // Finishes or undoes an installation or removal that was killed in `target`, so that the
    // target holds one version whole before anything there is read or changed. False, after
    // telling the user what could not be put back, when the operation must stop.
    bool finishInterruptedWork(const std::string& target);
    // Tells the user that another run works in the target folder: nothing was done.
    void reportBusyTarget();
    // The look at files in use before the first change (in_use_check.cpp), as the work's
    // InUseCheck; `waitedOut` is set when it stopped the run after waiting for them,
    // `cancelled` when the user stopped it with Cancel. None without the platform's FilesInUse.
    InUseCheck inUseCheck(bool& waitedOut, bool& cancelled);
    bool askUntilLetGo(const PathBatches& files, FilesHeld& held);
    bool waitUntilLetGo(const PathBatches& files, FilesHeld& held);

    // The main window's boxes go to the run log too; so do the unattended run's settings and
    // outcome, when the log is started.
    RunLog runLog_;
    LoggedBoxes boxes_;
    std::vector<std::string> arguments_;
    // The target folder and default language that the first activation sets, from the command
    // line or from the key's unattended run; nothing: as the window offers them.
    std::optional<std::string> startTarget;
    std::optional<std::string> startLanguage;
    Platform platform_;
    // The folder a relative target path starts from: the package's "Libs" folder (full path)
    // once findDescriptionFile saw it there, else empty (the folder the program was started in).
    std::string relativeFrom_;
    TFormFiles* formFiles_ = nullptr;
    TDirectoryForm* directoryForm_ = nullptr;
};

} // namespace velk

#pragma once
// End-to-end driver: starts VelkInstall.exe in a package folder of the test's making and works
// its real windows from another process under Wine, the way a user would: finds windows and
// controls by class and caption (never by control IDs), reads texts and states, clicks, types,
// answers message boxes, reads list-view rows and tree-view selections, saves screenshots.
//
// Every wait has a deadline; a missed deadline or a missing window throws DriverError, whose
// message says what was awaited and what was there instead, so GoogleTest reports it as a
// failure of the test in progress and nothing hangs.
//
//   #include "tests/e2e/driver/e2e_fixture.h"      // the fixture: registry cleaned, fresh folder
//   using namespace velk::e2e;
//
//   TEST_F(E2ETest, InstallsIntoTheProposedFolder) {
//       HostFolders v14 = addHostVersion(work() + "\\host", "1.4"); // folders + HKLM values
//       std::string pkg = makePackage(work() + "\\pkg",
//           {.description = "[About]\nName=Demo\n[Dorvan]\nDorvan5_14=Yes\n",
//            .files = {{"Libs\\a.zfb", "block"}, {"Libs\\English\\b.txt", "b"}}});
//       Installer app = Installer::start(pkg);
//       Window main = app.mainWindow();                 // "Zull Installation Tool", visible
//       EXPECT_EQ(main.edit(1).text(), v14.usr);         // eInstallDir: the second Edit
//       main.button("Install").click();                  // posted; a modal box may follow
//       MessageBoxView box = app.waitForMessageBox();    // any visible message box
//       EXPECT_EQ(box.caption, "Information");
//       box.answer("OK");
//       EXPECT_EQ(app.waitForExit(), 0u);
//       EXPECT_TRUE(fileExists(v14.usr + "\\a.zfb"));
//   }
//
// Input is posted, as a user's would be, so the call returns before the program has acted on
// it: before reading a state that the input changes, call app.settle() (returns once the
// program has handled everything posted so far) or waitUntil([&] { ... }, "what").
//   main.radioItems("Location")[1].click(); app.settle();
//   main.edit(1).setText("C:\\x");                  // typed, EN_CHANGE included
//   box.window.pressKey(VK_ESCAPE);                  // keys go to the focused control
//   main.close();                                    // the close box
//   main.screenshot(shotName("main"));               // <build>\screenshots\<name>.bmp
//   Window list = dialog.children("SysListView32").at(0); list.listRows(); list.listDoubleClick(0);
//   Window tree = dialog.children("SysTreeView32").at(0); tree.treeSelectionPath();
//
// Finding controls of a window (all descendants, whatever frame they sit in), by their caption
// as written or as shown (without the "&" that marks an access key: "Install" finds "&Install"):
//   child(cls, text)       the one control of that class with exactly that text
//   button(text)           child("Button", text): push buttons, radio buttons, check boxes
//   children(cls)          every control of that class, in reading order (top, then left)
//   edit(n)                the n-th Edit in reading order (main window: 0 MemoInfo, 1 eInstallDir)
//   radioItems(caption)    the radio buttons inside the frame with that caption, top to bottom
//   labelRightOf(caption)  the static text on the same line right of a caption label
// Paths are Windows paths as the program sees them (Wine maps "/" to "Z:\").
// Every text the driver takes or gives (paths, registry values, window and control texts) is
// UTF-8; it speaks to Windows through the wide functions only, so names in any script work, and
// file functions take full paths of any length.

#include <windows.h>

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/win32/unique_handles.h"

namespace velk::e2e {

using Milliseconds = std::chrono::milliseconds;
// Deadline of every wait unless the call names its own.
inline constexpr Milliseconds kDefaultTimeout{5000};
// The first window of a fresh process (Wine starts the virtual desktop on first use).
inline constexpr Milliseconds kStartTimeout{20000};

class DriverError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Polls `condition` every few milliseconds until it holds; throws DriverError naming `what`
// when `timeout` passes first.
void waitUntil(const std::function<bool()>& condition, const std::string& what,
               Milliseconds timeout = kDefaultTimeout);

// ---- Paths and files ---------------------------------------------------------------------

// "/work/x" -> "Z:\work\x".
std::string toWinePath(const std::string& unixPath);
// VelkInstall.exe as built, or in the test kit (tests/test_places.h).
std::string programPath();
// Root of the per-test work folders (<build>\e2e-work) and of screenshots (<build>\screenshots),
// or where the test kit's run names them.
std::string workRoot();
std::string screenshotFolder();

void makeFolder(const std::string& path); // with its parents; fine if it exists
void removeTree(const std::string& path); // also read-only files; fine if missing
void writeFile(const std::string& path, const std::string& contents); // makes the folder
std::string readFile(const std::string& path); // throws when it cannot be read
void copyFile(const std::string& from, const std::string& to);
void copyTree(const std::string& from, const std::string& to); // a folder with everything in it
bool fileExists(const std::string& path);                      // a file, not a folder
bool folderExists(const std::string& path);
// Names of the files (not folders) directly in `folder`, sorted.
std::vector<std::string> filesIn(const std::string& folder);
// Names of the folders directly in `folder`, sorted, without "." and "..".
std::vector<std::string> foldersIn(const std::string& folder);
// Every file below `folder` with its contents, by path relative to it.
std::map<std::string, std::string> treeOf(const std::string& folder);
void setReadOnly(const std::string& path, bool readOnly);

// A package folder: VelkInstall.exe, "Libs" with the description, and the given files.
struct PackageContents {
    std::optional<std::string> description{}; // written to Libs\<descriptionName> when given
    std::string descriptionName = "Demo.lin";
    // Path relative to the package -> contents; a path ending in "\\" makes an empty folder.
    std::map<std::string, std::string> files{};
    bool libsFolder = true; // false: no "Libs" (unless a file lies in it)
    bool copyProgram = true;
};
// Builds a fresh package in `folder` (removed first) and returns `folder`.
std::string makePackage(const std::string& folder, const PackageContents& contents);

// ---- Registry (HKLM, 32-bit view, as the program reads it) --------------------------------

// Folders of one host suite version and the values written for them.
struct HostFolders {
    std::string apps, std, app, usr; // AppsDir, StdLibDir, AppLibDir, UsrLibDir
};
// Creates <root>\<version>\{Apps,Std,App,Usr} and writes the four values of
// "Software\Velk-Marden\dorvan5\<version>\global" ("1.1" to "1.4").
HostFolders addHostVersion(const std::string& root, const std::string& version);
// One string value of a version's "global" key (the key is created when missing).
void setHostValue(const std::string& version, const std::string& name, const std::string& value);
// A value of another type (for instance REG_DWORD), to provoke the wrong-type error.
void setHostDword(const std::string& version, const std::string& name, DWORD value);
void deleteHostKey(const std::string& version);
// "Software\Velk-Marden\dorvan5\1.4\Installer": Path, Language, Silent.
void setUnattended(const std::string& path, const std::string& language, const std::string& silent);
// Its "Log" value: the file an unattended run appends its log to.
void setUnattendedLog(const std::string& logFile);
// Any other string value of it ("WaitInUse", for instance).
void setUnattendedValue(const std::string& name, const std::string& value);
// Removes every key under "Software\Velk-Marden" of both views.
void clearRegistry();

// ---- Windows and controls -----------------------------------------------------------------

class Window {
  public:
    Window() = default;
    explicit Window(HWND hwnd) : hwnd_(hwnd) {}

    HWND hwnd() const { return hwnd_; }
    bool exists() const; // the window has not been destroyed
    std::string className() const;
    std::string text() const; // WM_GETTEXT; for a multi-line Edit lines are joined by CR LF
    bool enabled() const;
    bool visible() const;
    bool checked() const; // BM_GETCHECK == BST_CHECKED
    LONG_PTR style() const;
    RECT rect() const; // screen coordinates
    SIZE clientSize() const;
    DWORD processId() const;
    DWORD threadId() const;
    // A short description for messages: class, text, position.
    std::string describe() const;
    // The window that has the keyboard focus in this window's thread (null when none has it).
    Window focus() const;

    // Descendants (see the header comment).
    std::vector<Window> children(const std::string& cls = {}) const;
    Window child(const std::string& cls, const std::string& text) const;
    std::optional<Window> findChild(const std::string& cls, const std::string& text) const;
    Window button(const std::string& text) const { return child("Button", text); }
    Window edit(size_t index) const;
    std::vector<Window> radioItems(const std::string& groupCaption) const;
    Window labelRightOf(const std::string& captionLabel) const;
    // Texts of all Static descendants, in reading order.
    std::vector<std::string> staticTexts() const;

    // Input, all posted (the target may open a modal box) and followed by a null message that
    // wakes a modal loop. Use Installer::settle() or waitUntil() to see the effect.
    void click() const; // BM_CLICK: push button, radio button, check box
    // The mouse's click as it arrives: button down and up posted at the control's middle.
    void mouseClick() const;
    void close() const;                   // the close box: WM_SYSCOMMAND SC_CLOSE
    void pressKey(WORD virtualKey) const; // key down and up to the thread's focus window
    // Sets an Edit's text the way typing does: WM_SETTEXT, on which the control tells its
    // parent EN_CHANGE. Sent, so it is done when this returns.
    void setText(const std::string& text) const;

    // List view in report view.
    int listCount() const;
    std::vector<std::string> listColumns() const;
    std::vector<std::vector<std::string>> listRows() const; // every row, every column
    int listSelected() const;                               // -1 when none
    void listSelect(int row) const;
    void listDoubleClick(int row) const; // select it and double-click its caption
    // Tree view: the texts from the root to the selected item; empty when none is selected.
    std::vector<std::string> treeSelectionPath() const;
    // The texts of the children of the item at `path` (root items for an empty path); the
    // item is expanded first so that a tree that fills itself on demand shows them.
    std::vector<std::string> treeChildren(const std::vector<std::string>& path) const;
    // Selects the item at `path` (texts from the root), expanding the way there.
    void treeSelect(const std::vector<std::string>& path) const;

    // Saves the window as <screenshots>\<name>.bmp and returns that path.
    std::string screenshot(const std::string& name) const;

    explicit operator bool() const { return hwnd_ != nullptr; }

  private:
    HWND hwnd_ = nullptr;
};

// Visible top-level windows of a process, in z-order.
std::vector<Window> topWindows(DWORD processId);

enum class BoxIcon { None, Error, Information, Question, Warning, Unknown };

// A standard message box ("#32770" dialog with only buttons and static texts).
struct MessageBoxView {
    Window window;
    std::string caption;
    std::string text;                 // the message, icon left aside
    std::vector<std::string> buttons; // captions, left to right, e.g. "&Yes", "&No"
    BoxIcon icon = BoxIcon::None;

    // Clicks the button with this caption and waits until the box has closed; throws when there
    // is no such button.
    void answer(const std::string& buttonCaption) const;
};
bool isMessageBox(const Window& window);
MessageBoxView readMessageBox(const Window& window);
const char* toString(BoxIcon icon);

// ---- The program under test ----------------------------------------------------------------

class Installer {
  public:
    // Starts <packageFolder>\VelkInstall.exe with the package folder as its current folder.
    // `arguments` follow the program's quoted path on its command line as written (quotes
    // included), after a blank.
    static Installer start(const std::string& packageFolder, const std::string& arguments = {});
    // Starts it on a window station of its own, which no screen shows: as a service or a
    // deployment tool's account runs it, with nobody at the desktop. Its windows cannot be seen
    // from here; only its end and its files can.
    static Installer startUnwatched(const std::string& packageFolder,
                                    const std::string& arguments = {});
    // Starts any program; for checking the driver itself. `desktop`: "Station\\Desktop" to run
    // it on, else the driver's own.
    static Installer startProgram(const std::string& path, const std::string& folder,
                                  const std::string& desktop = {},
                                  const std::string& arguments = {});

    Installer(Installer&&) noexcept = default;
    Installer& operator=(Installer&&) noexcept = default;
    // Ends the process if it still runs.
    ~Installer();

    DWORD processId() const { return processId_; }
    bool running() const;

    // The visible top-level window with this caption (and class, when not empty).
    Window waitForWindow(const std::string& caption, const std::string& cls = {},
                         Milliseconds timeout = kDefaultTimeout) const;
    std::optional<Window> findWindow(const std::string& caption, const std::string& cls = {}) const;
    // "Zull Installation Tool", shown.
    Window mainWindow(Milliseconds timeout = kStartTimeout) const;
    // The next visible message box (optionally the one with this caption).
    MessageBoxView waitForMessageBox(Milliseconds timeout = kDefaultTimeout,
                                     const std::string& caption = {}) const;
    std::optional<MessageBoxView> findMessageBox() const;
    // Waits until no message box of the process is visible any more.
    void waitForNoMessageBox(Milliseconds timeout = kDefaultTimeout) const;

    // Returns once the program has handled everything posted to it so far (or has ended), so
    // that a state read next sees the effect of the input before it, and a missing box is
    // really missing.
    void settle(Milliseconds timeout = kDefaultTimeout) const;

    // Waits for the process to end and returns its exit code.
    DWORD waitForExit(Milliseconds timeout = kDefaultTimeout);
    // Ends the process at once (clean-up); harmless when it has ended.
    void kill();

  private:
    Installer() = default;
    void raiseIfEnded(const std::string& what) const;

    win32::UniqueHandle process_;
    DWORD processId_ = 0;
    std::string name_;
    // A window station of the process's own, held while the process may still open it.
    win32::UniqueHwinsta station_;
    win32::UniqueHdesk desktop_;
};

} // namespace velk::e2e

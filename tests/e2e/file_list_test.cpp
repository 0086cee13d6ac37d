// End-to-end tests of the file list dialog and of opening documents: the rows and the summary
// line the real dialog shows, the program a double-click starts and the text editor that the
// readme button starts, each with the command line it receives.
#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/unique_handles.h"
#include "platform/win32/wide_text.h"
#include "tests/e2e/driver/associations.h"
#include "tests/e2e/driver/e2e_fixture.h"

namespace velk::e2e {
namespace {

using Rows = std::vector<std::vector<std::string>>;

const char* const kDescription = "[About]\nName=Demo\n[Dorvan]\nDorvan5_14=Yes\n";

// The Windows folder's notepad.exe replaced by the recording program, put back at the end (also
// after a run that ended before it could put it back).
class TextEditorStandIn {
  public:
    TextEditorStandIn() {
        wchar_t windows[MAX_PATH] = {};
        GetWindowsDirectoryW(windows, MAX_PATH);
        notepad_ = win32::toUtf8(windows) + "\\notepad.exe";
        saved_ = notepad_ + ".velk-saved";
        if (fileExists(saved_)) {
            copyFile(saved_, notepad_);
        } else {
            copyFile(notepad_, saved_);
        }
        copyFile(recorderPath(), notepad_);
    }
    TextEditorStandIn(const TextEditorStandIn&) = delete;
    TextEditorStandIn& operator=(const TextEditorStandIn&) = delete;
    ~TextEditorStandIn() {
        const std::wstring saved = win32::toWide(saved_);
        if (CopyFileW(saved.c_str(), win32::toWide(notepad_).c_str(), FALSE)) {
            DeleteFileW(saved.c_str());
        }
    }
    const std::string& path() const { return notepad_; }

  private:
    std::string notepad_;
    std::string saved_;
};

class FileListE2E : public E2ETest {
  protected:
    void SetUp() override {
        E2ETest::SetUp();
        addHostVersion(work() + "\\host", "1.4");
        recording.emplace(work() + "\\record.txt");
        record = recording->path();
    }
    void TearDown() override {
        recording.reset();
        E2ETest::TearDown();
    }

    // Clicks "File List..." and returns the dialog once it is shown.
    static Window openFileList(const Installer& app, const Window& main) {
        main.button("File List...").click();
        Window dialog = app.waitForWindow("File List", "TFormFiles");
        app.settle();
        return dialog;
    }
    static Window listOf(const Window& dialog) { return dialog.children("SysListView32").at(0); }
    // The rows in name order: the order of enumeration is the file system's business.
    static Rows sortedRows(const Window& list) {
        Rows rows = list.listRows();
        std::sort(rows.begin(), rows.end());
        return rows;
    }
    static bool shows(const Window& dialog, const std::string& text) {
        const std::vector<std::string> texts = dialog.staticTexts();
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    }
    // The command lines recorded so far, once there are `count` of them.
    std::vector<std::string> recorded(std::size_t count) const {
        std::vector<std::string> lines;
        waitUntil(
            [&] {
                if (!fileExists(record)) {
                    return false;
                }
                lines.clear();
                const std::string text = readFile(record);
                for (std::size_t start = 0, end; (end = text.find("\r\n", start)) != text.npos;
                     start = end + 2) {
                    lines.push_back(text.substr(start, end - start));
                }
                return lines.size() >= count;
            },
            "a started program recording its command line in " + record, Milliseconds{15000});
        return lines;
    }

    std::optional<RecordFile> recording;
    std::string record;
};

TEST_F(FileListE2E, ListsTheLibraryFilesWithTheirSizesAfreshAtEachShowing) {
    const std::string pkg =
        makePackage(work() + "\\pkg", {.description = kDescription,
                                       .files = {{"Libs\\a.zfb", std::string(100, 'a')},
                                                 {"Libs\\b.zfb", std::string(2000, 'b')},
                                                 {"Libs\\empty.zfb", ""},
                                                 {"Libs\\Docs\\manual.txt", "manual"}}});
    const std::string descriptionSize = std::to_string(readFile(pkg + "\\Libs\\Demo.lin").size());
    Installer app = Installer::start(pkg);
    Window main = app.mainWindow();

    Window dialog = openFileList(app, main);
    Window list = listOf(dialog);
    EXPECT_EQ(list.listColumns(), (std::vector<std::string>{"File Name", "Size (bytes)"}));
    // The description file is one of the library files; the empty file and the folder are not.
    EXPECT_EQ(sortedRows(list),
              (Rows{{"Demo.lin", descriptionSize}, {"a.zfb", "100"}, {"b.zfb", "2000"}}));
    EXPECT_TRUE(shows(dialog, "Total 3 files in 2 KB"))
        << ::testing::PrintToString(dialog.staticTexts());
    dialog.screenshot(shotName("file-list"));

    dialog.button("&Close").click();
    waitUntil([&] { return !dialog.visible(); }, "the file list to be hidden");
    EXPECT_TRUE(dialog.exists());
    EXPECT_TRUE(main.visible());

    // Shown again after the folder changed: the same dialog, refilled, no row of the last time.
    ASSERT_TRUE(DeleteFileW(win32::toWide(pkg + "\\Libs\\a.zfb").c_str()));
    writeFile(pkg + "\\Libs\\c.zfb", std::string(1500, 'c'));
    Window again = openFileList(app, main);
    EXPECT_EQ(again.hwnd(), dialog.hwnd());
    EXPECT_EQ(sortedRows(listOf(again)),
              (Rows{{"Demo.lin", descriptionSize}, {"b.zfb", "2000"}, {"c.zfb", "1500"}}));
    EXPECT_TRUE(shows(again, "Total 3 files in 3 KB"))
        << ::testing::PrintToString(again.staticTexts());

    // The frame's close box hides it as well, and so does Escape in the list.
    again.close();
    waitUntil([&] { return !again.visible(); }, "the file list to be hidden by its close box");
    const Window third = openFileList(app, main);
    listOf(third).pressKey(VK_ESCAPE);
    waitUntil([&] { return !third.visible(); }, "the file list to be hidden by Escape");
    main.button("Exit").click();
    EXPECT_EQ(app.waitForExit(), 0u);
}

TEST_F(FileListE2E, ADoubleClickStartsTheProgramAssociatedWithTheFilesExtension) {
    const FileAssociation association(".zfb", "ZullTest.Doc", recorderPath() + " \"%1\"");
    const std::string pkg =
        makePackage(work() + "\\pkg", {.description = kDescription,
                                       .files = {{"Libs\\a.zfb", "a"}, {"Libs\\b.zfb", "b"}}});
    Installer app = Installer::start(pkg);
    Window main = app.mainWindow();
    Window dialog = openFileList(app, main);
    Window list = listOf(dialog);
    const Rows rows = list.listRows();
    const auto b = std::find_if(rows.begin(), rows.end(),
                                [](const auto& row) { return row.at(0) == "b.zfb"; });
    ASSERT_NE(b, rows.end());

    list.listDoubleClick(static_cast<int>(b - rows.begin()));
    // The command already quotes its "%1": the path is put in as it is, quoted once.
    EXPECT_EQ(recorded(1),
              (std::vector<std::string>{recorderPath() + " \"" + pkg + "\\libs\\b.zfb\""}));
    app.settle();
    EXPECT_TRUE(dialog.visible());
    dialog.button("&Close").click();
    main.button("Exit").click();
    EXPECT_EQ(app.waitForExit(), 0u);
}

TEST_F(FileListE2E, ACommandOfTheWrongValueTypeIsReportedAndStartsNothing) {
    const FileAssociation association(".zfb", "ZullTest.Doc", recorderPath() + " %1");
    setClassesRootDword("ZullTest.Doc\\Shell\\Open\\Command", 1);
    const std::string pkg = makePackage(
        work() + "\\pkg", {.description = kDescription, .files = {{"Libs\\a.zfb", "a"}}});
    Installer app = Installer::start(pkg);
    Window main = app.mainWindow();
    Window dialog = openFileList(app, main);
    listOf(dialog).listDoubleClick(0);

    const MessageBoxView box = app.waitForMessageBox();
    EXPECT_EQ(box.caption, "VELK Zull Installer");
    EXPECT_EQ(box.text, "Invalid data type for ''");
    EXPECT_EQ(box.icon, BoxIcon::Error);
    box.answer("OK");
    app.waitForNoMessageBox();
    app.settle();
    EXPECT_FALSE(fileExists(record));
    // The dialog goes on as before.
    EXPECT_TRUE(dialog.visible());
    dialog.button("&Close").click();
    main.button("Exit").click();
    EXPECT_EQ(app.waitForExit(), 0u);
}

TEST_F(FileListE2E, TheReadmeGoesToTheTextEditorWithItsPathQuoted) {
    const TextEditorStandIn editor;
    // Text files associated with a program of their own (unless the prefix already has an
    // association for them, which is then left as it is): the readme still goes to the editor.
    std::optional<FileAssociation> textFiles;
    win32::UniqueHkey existing;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, L".txt", 0, KEY_READ, existing.put()) != ERROR_SUCCESS) {
        textFiles.emplace(".txt", "ZullTest.Text", recorderPath() + " /associated %1");
    }
    const std::string pkg =
        makePackage(work() + "\\My Package", {.description = kDescription,
                                              .files = {{"Libs\\readme.txt", "Read me first."}}});
    Installer app = Installer::start(pkg);
    Window main = app.mainWindow();
    Window readme = main.button("Readme...");
    ASSERT_TRUE(readme.enabled());

    readme.click();
    // The blank in the package's folder does not split the path.
    EXPECT_EQ(recorded(1),
              (std::vector<std::string>{editor.path() + " \"" + pkg + "\\libs\\readme.txt\""}));
    main.button("Exit").click();
    EXPECT_EQ(app.waitForExit(), 0u);
}

} // namespace
} // namespace velk::e2e

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/form_install.h"
#include "dialogs/directory_form.h"
#include "tests/unit/fakes/fake_platform.h"

namespace velk {
namespace {

using testing::FakeFileSystem;
using testing::FakePlatform;

// The shell side of the folder tree over the fake file system: a folder's path in the tree is
// its path as the file system first recorded it, whatever spelling the caller used.
class FakeShell : public ShellTreeNavigator {
  public:
    FakeShell(FakeFileSystem& files, ShellTree& tree) : files_(files), tree_(tree) {
        tree_.bindNavigator(this);
    }
    ~FakeShell() override { tree_.bindNavigator(nullptr); }
    FakeShell(const FakeShell&) = delete;
    FakeShell& operator=(const FakeShell&) = delete;

    int positioned = 0;             // times the tree was positioned on a folder
    std::vector<std::string> asked; // every folder text the shell was handed

    void selectFolder(const std::string& folder) override {
        asked.push_back(folder);
        const FakeFileSystem::Node* node = files_.find(folder);
        if (node == nullptr || !node->folder) {
            return;
        }
        ++positioned;
        userSelects(node->path);
    }
    bool selectionIs(const std::string& folder) override {
        asked.push_back(folder);
        const FakeFileSystem::Node* node = files_.find(folder);
        return node != nullptr && tree_.hasSelection() &&
               FakeFileSystem::key(node->path) == FakeFileSystem::key(tree_.selectedPath());
    }

    // A click on the entry whose path is `path`.
    void userSelects(const std::string& path) { tree_.setSelection(idOf(path), path); }
    // A click on an entry that has no place in the file system (the computer, Control Panel).
    void userSelectsVirtual(const std::string& name) { tree_.setSelection(idOf("::" + name), {}); }
    void userClearsSelection() { tree_.setSelection(0, {}); }

  private:
    ShellTree::NodeId idOf(const std::string& path) {
        auto [it, added] = ids_.try_emplace(FakeFileSystem::key(path), ids_.size() + 1);
        return it->second;
    }

    FakeFileSystem& files_;
    ShellTree& tree_;
    std::map<std::string, ShellTree::NodeId> ids_;
};

// Shows a window "modally" by running what the user does while it is open, and returns the
// result the window was closed with.
class ScriptedModal : public FormView {
  public:
    std::function<void()> user;
    int shown = 0;
    ModalResult showModal() override {
        ++shown;
        result_ = ModalResult::None;
        if (user) {
            user();
        }
        return result_;
    }
    void close(ModalResult result) override { result_ = result; }

  private:
    ModalResult result_ = ModalResult::None;
};

constexpr const char* kDesktop = "C:\\users\\me\\Desktop";
constexpr const char* kUsr14 = "C:\\Dorvan\\1.4\\Usr";
constexpr const char* kUsr13 = "C:\\Dorvan\\1.3\\Usr";

class Browse : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* version : {"1.3", "1.4"}) {
            const std::string key =
                std::string("Software\\Velk-Marden\\dorvan5\\") + version + "\\global";
            const std::string root = std::string("C:\\Dorvan\\") + version;
            fake.registry.setLocalMachine(key, "AppsDir", root + "\\Apps");
            fake.registry.setLocalMachine(key, "UsrLibDir", root + "\\Usr");
            fake.files.addFolder(root + "\\Apps");
            fake.files.addFolder(root + "\\Usr");
        }
        fake.files.addFile("C:\\pkg\\Libs\\demo.lin",
                           "[About]\nName=Demo\n[Dorvan]\nDorvan5_13=Yes\nDorvan5_14=Yes\n"
                           "[Languages]\nCount=2\nLang0=English\nLang1=German\nSelected=1\n");
        fake.files.addFolder(kDesktop);
        fake.files.addFolder("C:\\Data\\Projects");

        main = std::make_unique<TFormInstall>(fake.platform);
        picker = std::make_unique<TDirectoryForm>(fake.platform);
        shell = std::make_unique<FakeShell>(fake.files, picker->ShellTree);
        picker->bindView(&modal);
        main->attachDialogs(nullptr, picker.get());
        // The tree starts on the desktop, as the real one does when it is built.
        shell->userSelects(kDesktop);

        ASSERT_EQ(main->eInstallDir.text(), kUsr14);
        ASSERT_EQ(main->grLocation.itemIndex(), 0);
        fake.files.log.clear();
        fake.boxes.shown.clear();
    }

    // What the picker shows when it opens.
    struct Opened {
        std::string label;
        std::string folder;
        std::string selected;
    };

    // Presses "Browse"; while the picker is open, records what it shows and runs `user`.
    Opened browse(const std::function<void()>& user) {
        Opened opened;
        modal.user = [&] {
            opened = {picker->lFOlder.text(), picker->eFolder.text(),
                      picker->ShellTree.selectedPath()};
            user();
        };
        main->btBrowse.click();
        return opened;
    }

    FakePlatform fake;
    ScriptedModal modal;
    std::unique_ptr<TFormInstall> main;
    std::unique_ptr<TDirectoryForm> picker;
    std::unique_ptr<FakeShell> shell;
};

TEST_F(Browse, OpensOnTheTargetFolderWithTheTreesPathAndOkTakesItOver) {
    main->eInstallDir.setText("c:\\dorvan\\1.3\\USR\\");
    const Opened opened = browse([&] { picker->btOK.click(); });

    EXPECT_EQ(modal.shown, 1);
    EXPECT_EQ(opened.label, "Installation directory");
    EXPECT_EQ(opened.selected, kUsr13);
    EXPECT_EQ(opened.folder, kUsr13); // the tree's path replaced the typed spelling
    EXPECT_EQ(shell->positioned, 1);
    EXPECT_EQ(main->eInstallDir.text(), kUsr13);
    // Taking a folder over neither selects another location nor recomputes the target.
    EXPECT_EQ(main->grLocation.itemIndex(), 0);
    EXPECT_EQ(main->rgLang.itemIndex(), 1);
    EXPECT_TRUE(fake.boxes.shown.empty());
    EXPECT_TRUE(fake.files.log.empty());
}

TEST_F(Browse, TheSameFolderPickedAgainKeepsTheTypedTextExactly) {
    browse([&] { picker->btOK.click(); });
    ASSERT_EQ(main->eInstallDir.text(), kUsr14);
    ASSERT_EQ(shell->positioned, 1);

    main->eInstallDir.setText("C:\\DORVAN\\1.4\\usr\\");
    const Opened again = browse([&] { picker->btOK.click(); });

    EXPECT_EQ(shell->positioned, 1); // the tree already selected that folder: left alone
    EXPECT_EQ(again.folder, "C:\\DORVAN\\1.4\\usr\\");
    EXPECT_EQ(main->eInstallDir.text(), "C:\\DORVAN\\1.4\\usr\\");
}

// A relative target starts at the package's "Libs" folder, as installation takes it; the shell
// would take it from the process's current folder, so it gets the full path.
TEST_F(Browse, ARelativeTargetReachesTheShellAsTheFileSystemsFullPath) {
    fake.files.addFolder("C:\\pkg\\Libs\\German");
    fake.files.addFolder("C:\\German"); // in the process's current folder
    main->eInstallDir.setText("German");
    const Opened opened = browse([&] { picker->btOK.click(); });

    EXPECT_THAT(shell->asked, ::testing::Each(std::string("C:\\pkg\\Libs\\German")));
    EXPECT_FALSE(shell->asked.empty());
    EXPECT_EQ(opened.selected, "C:\\pkg\\Libs\\German");
}

TEST_F(Browse, ATextNamingNoFolderLeavesTheTreeAndComesBackUnchanged) {
    for (const std::string& typed : {std::string(" C:\\no such\\folder "), std::string(),
                                     std::string("C:\\pkg\\Libs\\demo.lin")}) {
        SCOPED_TRACE(typed);
        main->eInstallDir.setText(typed);
        const Opened opened = browse([&] { picker->btOK.click(); });
        EXPECT_EQ(opened.folder, typed);
        EXPECT_EQ(opened.selected, kDesktop);
        EXPECT_EQ(main->eInstallDir.text(), typed);
    }
    EXPECT_EQ(shell->positioned, 0);
}

TEST_F(Browse, WhicheverHappenedLastDecidesWhatOkReturns) {
    browse([&] {
        shell->userSelects("C:\\Data\\Projects");
        EXPECT_EQ(picker->eFolder.text(), "C:\\Data\\Projects");
        picker->eFolder.setText("C:\\Data\\Projects\\New one");
        picker->btOK.click();
    });
    EXPECT_EQ(main->eInstallDir.text(), "C:\\Data\\Projects\\New one");

    browse([&] {
        picker->eFolder.setText("typed first");
        shell->userSelects("C:\\Data");
        picker->btOK.click();
    });
    EXPECT_EQ(main->eInstallDir.text(), "C:\\Data");
}

TEST_F(Browse, CancelAfterChangesLeavesTheTargetAndTheNextShowingStartsFromIt) {
    main->eInstallDir.setText("C:\\Data");
    browse([&] {
        shell->userSelects("C:\\Data\\Projects");
        picker->eFolder.setText("C:\\elsewhere");
        picker->btCancel.click();
    });
    EXPECT_EQ(main->eInstallDir.text(), "C:\\Data");

    // The tree kept its selection; the picker is set up again from the target text.
    const Opened next = browse([&] { picker->btCancel.click(); });
    EXPECT_EQ(next.selected, "C:\\Data");
    EXPECT_EQ(next.folder, "C:\\Data");
    EXPECT_EQ(main->eInstallDir.text(), "C:\\Data");

    // Closed without a button (the close box): no result, nothing taken over.
    browse([&] { picker->eFolder.setText("C:\\closed"); });
    EXPECT_EQ(main->eInstallDir.text(), "C:\\Data");
}

// OK takes only folders of the file system: while the tree's selection has no place there, OK
// is disabled and the text keeps the last folder; an empty selection changes neither.
TEST_F(Browse, OkIsDisabledWhileTheSelectionIsNoFolderOfTheFileSystem) {
    struct Step {
        const char* name;
        std::function<void(FakeShell&)> user;
        const char* folder;
        bool ok;
    };
    const std::vector<Step> steps{
        {"a folder", [](FakeShell& s) { s.userSelects("C:\\Data"); }, "C:\\Data", true},
        {"the computer", [](FakeShell& s) { s.userSelectsVirtual("My Computer"); }, "C:\\Data",
         false},
        {"Control Panel", [](FakeShell& s) { s.userSelectsVirtual("Control Panel"); }, "C:\\Data",
         false},
        {"no selection", [](FakeShell& s) { s.userClearsSelection(); }, "C:\\Data", false},
        {"a folder again", [](FakeShell& s) { s.userSelects("C:\\Data\\Projects"); },
         "C:\\Data\\Projects", true},
        {"a network root", [](FakeShell& s) { s.userSelectsVirtual("\\\\server"); },
         "C:\\Data\\Projects", false},
    };
    browse([&] {
        for (const Step& step : steps) {
            SCOPED_TRACE(step.name);
            step.user(*shell);
            EXPECT_EQ(picker->eFolder.text(), step.folder);
            EXPECT_EQ(picker->btOK.enabled(), step.ok);
        }
        picker->btOK.click(); // disabled: nothing happens
        EXPECT_FALSE(picker->closed());
        shell->userSelects("C:\\Data");
        picker->btOK.click();
    });
    EXPECT_EQ(main->eInstallDir.text(), "C:\\Data");
}

TEST_F(Browse, TheLabelIsSetBeforeEveryShowing) {
    picker->lFOlder.setText("something else");
    const Opened opened = browse([&] { picker->btCancel.click(); });
    EXPECT_EQ(opened.label, "Installation directory");
}

TEST(ShellTreeControl, RunsItsHandlerOnlyWhenAnotherEntryBecomesSelected) {
    ShellTree tree;
    int runs = 0;
    tree.onChange = [&] { ++runs; };

    tree.setSelection(1, "C:\\a");
    tree.setSelection(1, "C:\\a");
    EXPECT_EQ(runs, 1);
    tree.setSelection(2, "C:\\a"); // another entry for the same path is still a change
    EXPECT_EQ(runs, 2);
    tree.setSelection(0, "ignored");
    EXPECT_EQ(runs, 3);
    EXPECT_FALSE(tree.hasSelection());
    EXPECT_EQ(tree.selectedPath(), "");
}

TEST(ShellTreeControl, WithoutARealTreeNothingIsSelectedOrPositioned) {
    FakePlatform fake;
    fake.files.addFolder("C:\\Data");
    TDirectoryForm picker(fake.platform);
    picker.SetFolder("C:\\Data");
    EXPECT_EQ(picker.eFolder.text(), "C:\\Data");
    EXPECT_FALSE(picker.ShellTree.hasSelection());
}

} // namespace
} // namespace velk

#include <gtest/gtest.h>

#include "app/form_install.h"
#include "dialogs/form_files.h"
#include "tests/unit/fakes/fake_platform.h"

namespace velk {
namespace {

using testing::FakeFileSystem;
using testing::FakePlatform;

// Records modal showings, and what the dialog held at that moment.
class RecordingFormView : public FormView {
  public:
    explicit RecordingFormView(TFormFiles& form) : form_(form) {}
    ModalResult showModal() override {
        ++shown;
        rowsWhenShown = form_.lvFiles.rows().size();
        labelWhenShown = form_.lFiles.text();
        return ModalResult::Cancel;
    }
    void close(ModalResult result) override { closedWith.push_back(result); }

    int shown = 0;
    std::size_t rowsWhenShown = 0;
    std::string labelWhenShown;
    std::vector<ModalResult> closedWith;

  private:
    TFormFiles& form_;
};

// Records the row count at each notification the list view sends to its view.
class RowCountingView : public ControlView {
  public:
    explicit RowCountingView(const ListView& list) : list_(list) {}
    void refresh() override { rowsAtRefresh.push_back(list_.rows().size()); }
    std::vector<std::size_t> rowsAtRefresh;

  private:
    const ListView& list_;
};

class FormFilesTest : public ::testing::Test {
  protected:
    FormFilesTest() {
        main.attachDialogs(&files, nullptr);
        files.bindView(&view);
        p.processes.started.clear();
    }

    std::vector<std::string> captions() const {
        std::vector<std::string> result;
        for (const auto& row : files.lvFiles.rows()) {
            result.push_back(row.caption);
        }
        return result;
    }
    std::vector<std::string> sizes() const {
        std::vector<std::string> result;
        for (const auto& row : files.lvFiles.rows()) {
            EXPECT_EQ(row.subItems.size(), 1u);
            result.push_back(row.subItems.empty() ? std::string() : row.subItems[0]);
        }
        return result;
    }

    FakePlatform p;
    TFormInstall main{p.platform};
    TFormFiles files{p.platform, main.packageFolder};
    RecordingFormView view{files};
};

using Names = std::vector<std::string>;

TEST_F(FormFilesTest, ListsTheNonEmptyFilesOfLibsWithTheirSizes) {
    p.files.addFile("C:\\current.zfb", "in the process's current folder");
    p.files.addFile("C:\\pkg\\beside.zfb", "beside Libs");
    p.files.addFile("C:\\pkg\\Libs\\small.zfb", std::string(100, 'a'));
    p.files.addFile("C:\\pkg\\Libs\\big.zfb", std::string(2000, 'b'));
    p.files.addFile("C:\\pkg\\Libs\\empty.zfb", "");
    files.fillFileList("C:\\pkg\\");
    EXPECT_EQ(captions(), (Names{"small.zfb", "big.zfb"}));
    EXPECT_EQ(sizes(), (Names{"100", "2000"}));
    EXPECT_EQ(files.lFiles.text(), "Total 2 files in 2 KB");
}

TEST_F(FormFilesTest, LeavesOutSubfoldersButListsHiddenAndSystemFilesInEnumerationOrder) {
    p.files.addFile("C:\\pkg\\Libs\\z.zfb", "zz");
    p.files.addFile("C:\\pkg\\Libs\\English\\inner.zfb", "inner");
    p.files.addFile("C:\\pkg\\Libs\\hidden.dat", "hhh", testing::kAttrHidden);
    p.files.addFile("C:\\pkg\\Libs\\system.dat", "s",
                    testing::kAttrSystem | testing::kAttrReadOnly);
    p.files.addFile("C:\\pkg\\Libs\\a.zfb", "a");
    files.fillFileList("C:\\pkg\\");
    EXPECT_EQ(captions(), (Names{"z.zfb", "hidden.dat", "system.dat", "a.zfb"}));
    EXPECT_EQ(files.lFiles.text(), "Total 4 files in 0 KB");

    p.files.reverseEnumeration = true;
    files.fillFileList("C:\\pkg\\");
    EXPECT_EQ(captions(), (Names{"a.zfb", "system.dat", "hidden.dat", "z.zfb"}));
}

TEST_F(FormFilesTest, KilobytesDropTheRemainder) {
    p.files.addFile("C:\\pkg\\Libs\\a.zfb", std::string(1023, 'a'));
    files.fillFileList("C:\\pkg\\");
    EXPECT_EQ(files.lFiles.text(), "Total 1 files in 0 KB");
    p.files.addFile("C:\\pkg\\Libs\\b.zfb", "b");
    files.fillFileList("C:\\pkg\\");
    EXPECT_EQ(files.lFiles.text(), "Total 2 files in 1 KB");
}

TEST_F(FormFilesTest, ARefillReplacesTheRowsOfTheLastFill) {
    p.files.addFile("C:\\pkg\\Libs\\a.zfb", "a");
    p.files.addFile("C:\\pkg\\Libs\\b.zfb", "b");
    files.fillFileList("C:\\pkg\\");
    files.lvFiles.select(1);
    p.files.remove("C:\\pkg\\Libs\\a.zfb");
    files.fillFileList("C:\\pkg\\");
    EXPECT_EQ(captions(), (Names{"b.zfb"}));
    EXPECT_EQ(files.lvFiles.selected(), -1);
    EXPECT_EQ(files.lFiles.text(), "Total 1 files in 0 KB");

    // A listing that fails partway shows what it got.
    p.files.addFile("C:\\pkg\\Libs\\c.zfb", "c");
    p.files.failListing("C:\\pkg\\Libs", 3); // ".", ".." and b.zfb
    files.fillFileList("C:\\pkg\\");
    EXPECT_EQ(captions(), (Names{"b.zfb"}));
}

TEST_F(FormFilesTest, WithoutALibsFolderTheListIsEmptyAndNothingElseIsListed) {
    p.files.addFile("C:\\pkg\\Libs\\a.zfb", "a");
    p.files.addFile("C:\\current.zfb", "in the process's current folder");
    files.fillFileList("C:\\pkg\\");
    EXPECT_EQ(captions(), (Names{"a.zfb"}));
    p.files.addFile("C:\\nowhere\\beside.zfb", "beside the missing Libs");
    files.fillFileList("C:\\nowhere\\");
    EXPECT_TRUE(files.lvFiles.rows().empty());
    EXPECT_EQ(files.lFiles.text(), "Total 0 files in 0 KB");
    // A file named Libs is no folder.
    p.files.addFile("C:\\flat\\Libs", "not a folder");
    files.fillFileList("C:\\flat\\");
    EXPECT_TRUE(files.lvFiles.rows().empty());
    EXPECT_EQ(files.lFiles.text(), "Total 0 files in 0 KB");
}

TEST_F(FormFilesTest, SizesAndTheTotalAre64Bit) {
    p.files.addFile("C:\\pkg\\Libs\\huge.bin").size = 3ull << 30;  // low 32 bits read as negative
    p.files.addFile("C:\\pkg\\Libs\\whole.bin").size = 4ull << 30; // low 32 bits all zero
    p.files.addFile("C:\\pkg\\Libs\\small.zfb", std::string(2048, 's'));
    files.fillFileList("C:\\pkg\\");
    EXPECT_EQ(captions(), (Names{"huge.bin", "whole.bin", "small.zfb"}));
    EXPECT_EQ(sizes(), (Names{"3221225472", "4294967296", "2048"}));
    EXPECT_EQ(files.lFiles.text(), "Total 3 files in 7340034 KB");
}

TEST_F(FormFilesTest, AFillTellsTheListViewOnceForAllItsRows) {
    RowCountingView counter{files.lvFiles};
    files.lvFiles.bindView(&counter);
    for (int i = 0; i < 50; ++i) {
        p.files.addFile("C:\\pkg\\Libs\\f" + std::to_string(i) + ".zfb", "x");
    }
    files.fillFileList("C:\\pkg\\");
    EXPECT_EQ(files.lvFiles.rows().size(), 50u);
    // The clearing, and the end of the update with every row in place.
    EXPECT_EQ(counter.rowsAtRefresh, (std::vector<std::size_t>{0, 50}));
    files.lvFiles.bindView(nullptr);
}

TEST_F(FormFilesTest, TheFileListButtonRefillsAndShowsTheDialog) {
    main.packageFolder = "C:\\pkg\\";
    p.files.addFile("C:\\pkg\\Libs\\a.zfb", "a");
    main.btFileListClick();
    EXPECT_EQ(view.shown, 1);
    EXPECT_EQ(view.rowsWhenShown, 1u);
    EXPECT_EQ(view.labelWhenShown, "Total 1 files in 0 KB");
    p.files.addFile("C:\\pkg\\Libs\\b.zfb", "b");
    main.btFileListClick();
    EXPECT_EQ(view.shown, 2);
    EXPECT_EQ(view.rowsWhenShown, 2u);
}

TEST_F(FormFilesTest, CloseEndsTheModalShowing) {
    files.btClose.click();
    EXPECT_EQ(view.closedWith, (std::vector<ModalResult>{ModalResult::Cancel}));
    EXPECT_TRUE(files.closed());
}

TEST_F(FormFilesTest, ADoubleClickOpensTheSelectedFileFromThePackageFolderOfThatMoment) {
    p.registry.setClassesRoot(".zfb", "", "ZullTest.Doc");
    p.registry.setClassesRoot("ZullTest.Doc\\Shell\\Open\\Command", "", "C:\\v.exe %1");
    p.files.addFile("C:\\pkg\\Libs\\a.zfb", "a");
    p.files.addFile("C:\\pkg\\Libs\\b.zfb", "b");
    files.fillFileList("C:\\pkg\\");

    files.lvFiles.dblClick(); // no selection: nothing
    EXPECT_TRUE(p.processes.started.empty());

    files.lvFiles.select(1);
    main.packageFolder = "C:\\moved pkg\\";
    files.lvFiles.dblClick();
    EXPECT_EQ(p.processes.started,
              (std::vector<std::string>{"C:\\v.exe \"C:\\moved pkg\\libs\\b.zfb\""}));
}

} // namespace
} // namespace velk

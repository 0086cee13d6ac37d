// The rules of the FileSystem interface that the installer relies on, as one table that runs
// against the in-memory fake in the native unit tests and against the real file system under
// Wine in the Win32 tests. Where both pass, a unit test may take the fake for the machine.
// Each rule starts in a fresh, empty root folder.

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "platform/app_error.h"
#include "platform/file_system.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/win32/win32_file_system.h"
#include "tests/win32/test_support.h"
#else
#include "tests/unit/fakes/fake_file_system.h"
#endif

namespace velk {
namespace {

constexpr std::uint32_t kReadOnly = 0x1;
constexpr std::uint32_t kHidden = 0x2;
constexpr std::uint32_t kDirectory = 0x10;
// The attributes the installer tells apart; others (archive, not indexed) vary by system.
constexpr std::uint32_t kTold = kReadOnly | kHidden | 0x4 | kDirectory | 0x400;

#ifdef _WIN32
// A fresh folder under the temporary folder, removed with everything in it at the end.
class Root {
  public:
    ~Root() {
        if (moment_.joinable()) {
            moment_.join();
        }
    }
    FileSystem& files() { return files_; }
    std::string operator/(const std::string& name) const { return temp_ / name; }
    const std::string& path() const { return temp_.path(); }
    // The interface sets no attributes but by copying them: the tests set them themselves.
    void setAttributes(const std::string& path, std::uint32_t attributes) {
        EXPECT_TRUE(SetFileAttributesW(win32::testing::systemPath(path).c_str(), attributes))
            << path;
    }
    // Holds the file as a virus scanner would, for a moment (well within the two seconds a
    // change waits), from another thread.
    void holdForAMoment(const std::string& path) {
        std::unique_ptr<HeldFile> held;
        ASSERT_TRUE(files_.holdFile(path, held));
        if (moment_.joinable()) {
            moment_.join();
        }
        moment_ = std::thread([held = std::move(held)]() mutable {
            Sleep(300);
            held.reset();
        });
    }

  private:
    win32::Win32FileSystem files_;
    win32::testing::TempFolder temp_;
    std::thread moment_;
};
#else
// An empty folder in a fake of its own.
class Root {
  public:
    Root() { fake_.addFolder(path_); }
    FileSystem& files() { return fake_; }
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }
    const std::string& path() const { return path_; }
    void setAttributes(const std::string& path, std::uint32_t attributes) {
        testing::FakeFileSystem::Node* node = fake_.find(path);
        ASSERT_NE(node, nullptr) << path;
        node->attributes = attributes | (node->folder ? kDirectory : 0);
    }
    // Holds the file for the next two tries of a change.
    void holdForAMoment(const std::string& path) { fake_.find(path)->heldForTries = 2; }

  private:
    testing::FakeFileSystem fake_;
    std::string path_ = "C:\\contract";
};
#endif

// Every entry a listing visits, by name; each name must come once.
std::map<std::string, DirEntry> listing(FileSystem& files, const std::string& pattern,
                                        FsResult& result) {
    std::map<std::string, DirEntry> entries;
    result = files.enumerate(pattern, [&](const DirEntry& entry) {
        EXPECT_TRUE(entries.emplace(entry.name, entry).second) << "twice: " << entry.name;
    });
    return entries;
}

std::vector<std::string> namesOf(const std::map<std::string, DirEntry>& entries) {
    std::vector<std::string> names;
    for (const auto& [name, entry] : entries) {
        names.push_back(name);
    }
    return names;
}

// The attributes the installer tells apart, as a listing of the file's folder gives them.
std::uint32_t attributesOf(FileSystem& files, Root& root, const std::string& name) {
    FsResult result;
    auto entries = listing(files, root / name, result);
    EXPECT_TRUE(result);
    return entries.count(name) != 0 ? entries[name].attributes & kTold : 0xFFFFFFFFu;
}

// The file's content, or what made reading it fail.
std::string contentOf(FileSystem& files, const std::string& path) {
    try {
        return readWholeFile(files, path);
    } catch (const AppError& error) {
        return error.what();
    }
}

void put(FileSystem& files, const std::string& path, const std::string& content) {
    ASSERT_TRUE(files.writeNewFile(path, content)) << path;
}

struct Rule {
    const char* name;
    void (*check)(FileSystem& files, Root& root);
};

const Rule kRules[] = {
    {"EnumerateVisitsEveryEntryWithSizeAndAttributes",
     [](FileSystem& files, Root& root) {
         put(files, root / "a.txt", "abc");
         put(files, root / "b.dat", "");
         root.setAttributes(root / "b.dat", kReadOnly);
         ASSERT_TRUE(files.createFolder(root / "sub"));
         FsResult result;
         auto all = listing(files, root / "*.*", result);
         EXPECT_TRUE(result);
         EXPECT_EQ(namesOf(all), (std::vector<std::string>{".", "..", "a.txt", "b.dat", "sub"}));
         EXPECT_EQ(all["a.txt"].size, 3u);
         EXPECT_FALSE(all["a.txt"].isFolder);
         EXPECT_EQ(all["a.txt"].attributes & kTold, 0u);
         EXPECT_EQ(all["b.dat"].attributes & kTold, kReadOnly);
         for (const char* folder : {".", "..", "sub"}) {
             EXPECT_TRUE(all[folder].isFolder) << folder;
             EXPECT_EQ(all[folder].size, 0u) << folder;
             EXPECT_EQ(all[folder].attributes & kTold, kDirectory) << folder;
         }
     }},
    {"EnumerateMatchesAPatternAndFailsForAMissingFolder",
     [](FileSystem& files, Root& root) {
         put(files, root / "a.txt", "abc");
         put(files, root / "b.dat", "");
         FsResult result;
         EXPECT_EQ(namesOf(listing(files, root / "*.TXT", result)),
                   std::vector<std::string>{"a.txt"});
         EXPECT_TRUE(result);
         EXPECT_TRUE(listing(files, root / "*.none", result).empty());
         EXPECT_TRUE(result) << "nothing matched is no failure";
         EXPECT_TRUE(listing(files, root / "missing\\*.*", result).empty());
         EXPECT_FALSE(result);
     }},
    {"EntryNamedTellsOneNameAsTheListingDoes",
     [](FileSystem& files, Root& root) {
         put(files, root / "a.txt", "abc");
         root.setAttributes(root / "a.txt", kReadOnly);
         ASSERT_TRUE(files.createFolder(root / "sub"));
         const std::optional<DirEntry> file = files.entryNamed(root.path(), "A.TXT");
         ASSERT_TRUE(file);
         EXPECT_EQ(file->name, "A.TXT");
         EXPECT_EQ(file->size, 3u);
         EXPECT_FALSE(file->isFolder);
         EXPECT_EQ(file->attributes & kTold, kReadOnly);
         const std::optional<DirEntry> folder = files.entryNamed(root.path(), "sub");
         ASSERT_TRUE(folder);
         EXPECT_TRUE(folder->isFolder);
         EXPECT_EQ(folder->attributes & kTold, kDirectory);
         EXPECT_FALSE(files.entryNamed(root.path(), "a.tx"));
         EXPECT_FALSE(files.entryNamed(root.path(), "a.txt~"));
         EXPECT_FALSE(files.entryNamed(root / "missing", "a.txt"));
     }},
    {"CopyNewFileCarriesContentAndAttributesAndNeverTakesAName",
     [](FileSystem& files, Root& root) {
         put(files, root / "a", "abc");
         root.setAttributes(root / "a", kReadOnly | kHidden);
         ASSERT_TRUE(files.copyNewFile(root / "a", root / "b"));
         EXPECT_EQ(contentOf(files, root / "b"), "abc");
         EXPECT_EQ(attributesOf(files, root, "b"), kReadOnly | kHidden);
         // Nothing is written to what has the name: a file, a second name of one, a folder.
         put(files, root / "kept", "kept");
         ASSERT_TRUE(files.linkFile(root / "kept", root / "second"));
         ASSERT_TRUE(files.createFolder(root / "folder"));
         for (const char* taken : {"kept", "second", "folder"}) {
             EXPECT_TRUE(files.copyNewFile(root / "a", root / taken).nameTaken()) << taken;
         }
         EXPECT_EQ(contentOf(files, root / "kept"), "kept");
         EXPECT_EQ(contentOf(files, root / "second"), "kept");
     }},
    {"MoveFileMovesAFileOrAWholeFolderToAFreeNameOnly",
     [](FileSystem& files, Root& root) {
         put(files, root / "a", "abc");
         ASSERT_TRUE(files.moveFile(root / "a", root / "b"));
         EXPECT_FALSE(files.fileExists(root / "a"));
         EXPECT_EQ(contentOf(files, root / "b"), "abc");
         ASSERT_TRUE(files.createFolder(root / "f"));
         put(files, root / "f\\x", "x");
         ASSERT_TRUE(files.moveFile(root / "f", root / "g"));
         EXPECT_FALSE(files.folderExists(root / "f"));
         EXPECT_EQ(contentOf(files, root / "g\\x"), "x");
         put(files, root / "c", "c");
         EXPECT_TRUE(files.moveFile(root / "b", root / "c").nameTaken());
         EXPECT_TRUE(files.moveFile(root / "g", root / "c").nameTaken());
         EXPECT_TRUE(files.moveFile(root / "b", root / "g").nameTaken());
         EXPECT_EQ(contentOf(files, root / "b"), "abc");
         EXPECT_EQ(contentOf(files, root / "c"), "c");
         EXPECT_EQ(contentOf(files, root / "g\\x"), "x");
     }},
    {"ReplaceFileSwapsInAFileButNeverOverAReadOnlyOne",
     [](FileSystem& files, Root& root) {
         put(files, root / "new", "new");
         put(files, root / "old", "old");
         ASSERT_TRUE(files.replaceFile(root / "new", root / "old"));
         EXPECT_FALSE(files.fileExists(root / "new"));
         EXPECT_EQ(contentOf(files, root / "old"), "new");
         // Windows refuses, whatever Wine lets root do.
         put(files, root / "newer", "newer");
         root.setAttributes(root / "old", kReadOnly);
         EXPECT_EQ(files.replaceFile(root / "newer", root / "old").error(), kErrorAccessDenied);
         EXPECT_EQ(contentOf(files, root / "old"), "new");
         EXPECT_EQ(contentOf(files, root / "newer"), "newer");
     }},
    {"LinkFileGivesOneFileASecondName",
     [](FileSystem& files, Root& root) {
         put(files, root / "a", "abc");
         ASSERT_TRUE(files.linkFile(root / "a", root / "b"));
         EXPECT_EQ(contentOf(files, root / "b"), "abc");
         EXPECT_TRUE(files.linkFile(root / "a", root / "b").nameTaken());
         EXPECT_EQ(files.linkFile(root.path(), root / "c").error(), kErrorAccessDenied);
         {
             // Held by one name, the file is held by both.
             std::unique_ptr<HeldFile> held;
             ASSERT_TRUE(files.holdFile(root / "a", held));
             std::unique_ptr<HeldFile> again;
             EXPECT_EQ(files.holdFile(root / "b", again).error(), kErrorSharingViolation);
             EXPECT_EQ(files.deleteFile(root / "b").error(), kErrorSharingViolation);
         }
         EXPECT_TRUE(files.deleteFile(root / "a"));
         EXPECT_EQ(contentOf(files, root / "b"), "abc");
     }},
    {"WriteNewFileWritesAWholeFileUnderAFreeNameOnly",
     [](FileSystem& files, Root& root) {
         put(files, root / "a", "abc");
         EXPECT_EQ(contentOf(files, root / "a"), "abc");
         EXPECT_TRUE(files.writeNewFile(root / "a", "other").nameTaken());
         EXPECT_EQ(contentOf(files, root / "a"), "abc");
     }},
    {"CreateNewFileWritesPieceByPieceUnderAFreeNameOnly",
     [](FileSystem& files, Root& root) {
         std::unique_ptr<FileWriter> writer;
         ASSERT_TRUE(files.createNewFile(root / "a", writer));
         ASSERT_TRUE(writer->write("ab"));
         ASSERT_TRUE(writer->write("cd"));
         ASSERT_TRUE(writer->flush());
         writer.reset();
         EXPECT_EQ(contentOf(files, root / "a"), "abcd");
         EXPECT_TRUE(files.createNewFile(root / "a", writer).nameTaken());
         EXPECT_EQ(contentOf(files, root / "a"), "abcd");
     }},
    {"CreateHiddenFolderMakesAHiddenFolder",
     [](FileSystem& files, Root& root) {
         ASSERT_TRUE(files.createHiddenFolder(root / "work"));
         EXPECT_TRUE(files.folderExists(root / "work"));
         EXPECT_EQ(attributesOf(files, root, "work"), kDirectory | kHidden);
         EXPECT_TRUE(files.createHiddenFolder(root / "work").nameTaken());
     }},
    {"RemoveFolderRemovesAnEmptyFolderOnly",
     [](FileSystem& files, Root& root) {
         ASSERT_TRUE(files.createFolder(root / "f"));
         put(files, root / "f\\x", "x");
         EXPECT_FALSE(files.removeFolder(root / "f"));
         EXPECT_FALSE(files.removeFolder(root / "f\\x"));
         EXPECT_EQ(contentOf(files, root / "f\\x"), "x");
         ASSERT_TRUE(files.deleteFile(root / "f\\x"));
         EXPECT_TRUE(files.removeFolder(root / "f"));
         EXPECT_FALSE(files.folderExists(root / "f"));
     }},
    {"DeleteFileOfAReadOnlyFileIsDeniedUntilClearReadOnly",
     [](FileSystem& files, Root& root) {
         put(files, root / "a", "abc");
         root.setAttributes(root / "a", kReadOnly | kHidden);
         EXPECT_EQ(files.deleteFile(root / "a").error(), kErrorAccessDenied);
         EXPECT_TRUE(files.fileExists(root / "a"));
         ASSERT_TRUE(files.clearReadOnly(root / "a"));
         EXPECT_EQ(attributesOf(files, root, "a"), kHidden);
         EXPECT_TRUE(files.deleteFile(root / "a"));
         EXPECT_FALSE(files.fileExists(root / "a"));
     }},
    {"AHeldFileCannotBeHeldMovedReplacedOrDeletedUntilLetGo",
     [](FileSystem& files, Root& root) {
         put(files, root / "a", "abc");
         put(files, root / "b", "b");
         {
             std::unique_ptr<HeldFile> held;
             ASSERT_TRUE(files.holdFile(root / "a", held));
             std::unique_ptr<HeldFile> again;
             EXPECT_EQ(files.holdFile(root / "a", again).error(), kErrorSharingViolation);
             EXPECT_EQ(files.moveFile(root / "a", root / "c").error(), kErrorSharingViolation);
             EXPECT_EQ(files.deleteFile(root / "a").error(), kErrorSharingViolation);
             EXPECT_FALSE(files.replaceFile(root / "b", root / "a"));
         }
         EXPECT_EQ(contentOf(files, root / "a"), "abc");
         EXPECT_TRUE(files.fileExists(root / "b"));
         std::unique_ptr<HeldFile> held;
         EXPECT_TRUE(files.holdFile(root / "a", held));
         held.reset();
         EXPECT_TRUE(files.deleteFile(root / "a"));
         EXPECT_EQ(files.holdFile(root.path(), held).error(), kErrorAccessDenied);
     }},
    {"AHeldFolderCannotBeMovedOrRemovedButItsFilesChangeAndAWorkFileGoesByOneName",
     [](FileSystem& files, Root& root) {
         ASSERT_TRUE(files.createFolder(root / "dir"));
         put(files, root / "dir\\a", "a");
         {
             std::unique_ptr<HeldFile> held;
             ASSERT_TRUE(files.holdFolder(root / "dir", held));
             EXPECT_EQ(files.moveFile(root / "dir", root / "away").error(), kErrorSharingViolation);
             EXPECT_FALSE(files.removeFolder(root / "dir"));
             ASSERT_TRUE(files.moveFile(root / "dir\\a", root / "dir\\b"));
             // A read-only file with a second name goes, the other name keeping read-only.
             ASSERT_TRUE(files.linkFile(root / "dir\\b", root / "outside"));
             root.setAttributes(root / "outside", kReadOnly);
             ASSERT_TRUE(files.discardFile(root / "dir\\b"));
             EXPECT_FALSE(files.fileExists(root / "dir\\b"));
             EXPECT_EQ(attributesOf(files, root, "outside") & kReadOnly, kReadOnly);
         }
         EXPECT_TRUE(files.moveFile(root / "dir", root / "away"));
         std::unique_ptr<HeldFile> held;
         EXPECT_EQ(files.holdFolder(root / "outside", held).error(), kErrorDirectory);
     }},
    {"AChangeWaitsForALockThatPasses",
     [](FileSystem& files, Root& root) {
         put(files, root / "a", "abc");
         root.holdForAMoment(root / "a");
         ASSERT_TRUE(files.moveFile(root / "a", root / "b"));
         root.holdForAMoment(root / "b");
         EXPECT_TRUE(files.deleteFile(root / "b"));
         EXPECT_FALSE(files.fileExists(root / "b"));
     }},
    {"CompareContentsReadsBothWholeAndKeepsOnlyAFileWithOneNameThatNobodyWrites",
     [](FileSystem& files, Root& root) {
         put(files, root / "a", std::string(300000, 'x') + "end");
         put(files, root / "same", std::string(300000, 'x') + "end");
         put(files, root / "other", std::string(300000, 'x') + "END");
         put(files, root / "short", "x");
         std::unique_ptr<HeldFile> held;
         ASSERT_TRUE(files.holdFile(root / "a", held)); // the package's file is read all the same
         bool same = false;
         std::string placeOfA;
         std::string placeOfB;
         ASSERT_TRUE(files.compareContents(root / "a", root / "same", same, &placeOfA, &placeOfB));
         EXPECT_TRUE(same);
         EXPECT_EQ(placeOfA, files.finalPath(root / "a"));
         EXPECT_EQ(placeOfB, files.finalPath(root / "same"));
         ASSERT_TRUE(files.compareContents(root / "a", root / "other", same, nullptr, nullptr));
         EXPECT_FALSE(same);
         ASSERT_TRUE(files.compareContents(root / "a", root / "short", same, nullptr, nullptr));
         EXPECT_FALSE(same);
         EXPECT_EQ(
             files.compareContents(root / "a", root / "missing", same, nullptr, nullptr).error(),
             kErrorFileNotFound);
         // A file with a second name could be changed through it: never the run's own.
         ASSERT_TRUE(files.linkFile(root / "same", root / "second"));
         ASSERT_TRUE(files.compareContents(root / "a", root / "same", same, nullptr, nullptr));
         EXPECT_FALSE(same);
         ASSERT_TRUE(files.deleteFile(root / "second"));
         // One that another program holds to write is in use.
         std::unique_ptr<HeldFile> writer;
         ASSERT_TRUE(files.holdFile(root / "same", writer));
         EXPECT_EQ(files.compareContents(root / "a", root / "same", same, nullptr, nullptr).error(),
                   kErrorSharingViolation);
     }},
    {"SetKeptAttributesSetsReadOnlyHiddenAndSystemOnly",
     [](FileSystem& files, Root& root) {
         put(files, root / "a", "a");
         root.setAttributes(root / "a", kReadOnly | 0x4);
         ASSERT_TRUE(files.setKeptAttributes(root / "a", kHidden | kDirectory));
         EXPECT_EQ(attributesOf(files, root, "a"), kHidden);
         EXPECT_EQ(files.setKeptAttributes(root / "missing", 0).error(), kErrorFileNotFound);
     }},
    {"ReadSmallFileReadsAWholeRegularFileWithinItsLimit",
     [](FileSystem& files, Root& root) {
         put(files, root / "a", "abcd");
         std::string content;
         ASSERT_TRUE(files.readSmallFile(root / "a", 4, content));
         EXPECT_EQ(content, "abcd");
         EXPECT_EQ(files.readSmallFile(root / "a", 3, content).error(), kErrorFileTooLarge);
         EXPECT_EQ(files.readSmallFile(root.path(), 100, content).error(), kErrorAccessDenied);
         EXPECT_EQ(files.readSmallFile(root / "missing", 100, content).error(), kErrorFileNotFound);
     }},
    {"ReadFilePieceReadsPartOfARegularFileWithinItsLimit",
     [](FileSystem& files, Root& root) {
         put(files, root / "a", "abcdef");
         std::string piece;
         std::uint64_t size = 0;
         ASSERT_TRUE(files.readFilePiece(root / "a", 6, 2, 3, piece, size));
         EXPECT_EQ(piece, "cde");
         EXPECT_EQ(size, 6u);
         ASSERT_TRUE(files.readFilePiece(root / "a", 6, 4, 10, piece, size));
         EXPECT_EQ(piece, "ef");
         ASSERT_TRUE(files.readFilePiece(root / "a", 6, 6, 10, piece, size));
         EXPECT_EQ(piece, "");
         EXPECT_EQ(files.readFilePiece(root / "a", 5, 0, 1, piece, size).error(),
                   kErrorFileTooLarge);
         EXPECT_EQ(files.readFilePiece(root.path(), 100, 0, 1, piece, size).error(),
                   kErrorAccessDenied);
     }},
    {"ReadFileOfAMissingFileOrAFolderThrowsNamingItsFullPath",
     [](FileSystem& files, Root& root) {
         EXPECT_EQ(contentOf(files, root / ".\\missing"),
                   "Cannot open file \"" + root / "missing" + "\". " +
                       files.errorMessage(kErrorFileNotFound));
         EXPECT_EQ(contentOf(files, root.path()), "Cannot open file \"" + root.path() + "\". " +
                                                      files.errorMessage(kErrorAccessDenied));
     }},
    {"FullPathResolvesAPathAsTheSystemOpensIt",
     [](FileSystem& files, Root& root) {
         EXPECT_EQ(files.fullPath(root / "a\\..\\b\\.\\c"), root / "b\\c");
         EXPECT_EQ(files.fullPath(root / "\\b"), root / "b");
         EXPECT_EQ(files.fullPath(root.path() + "/b"), root / "b");
         EXPECT_EQ(files.fullPath(root / "b. ."), root / "b");
         EXPECT_EQ(files.fullPath(root / "a.\\b"), root / "a\\b");
         EXPECT_EQ(files.fullPath(root / "b\\"), root / "b\\");
         EXPECT_EQ(files.fullPath(""), "");
     }},
    {"CompareFileNamesIgnoresCaseAndSortsAsUpperCase",
     [](FileSystem& files, Root&) {
         EXPECT_EQ(files.compareFileNames("Readme.TXT", "readme.txt"), 0);
         EXPECT_EQ(files.compareFileNames("\xC3\x84rger", "\xC3\xA4RGER"), 0); // Ärger
         EXPECT_EQ(files.compareFileNames("\xC3\xBF", "\xC5\xB8"), 0);         // ÿ, Ÿ
         EXPECT_LT(files.compareFileNames("a", "B"), 0);
         EXPECT_GT(files.compareFileNames("b", "A"), 0);
         EXPECT_LT(files.compareFileNames("a", "ab"), 0);
         // Upper-cased, "_" comes after the letters.
         EXPECT_GT(files.compareFileNames("_", "a"), 0);
     }},
};

void PrintTo(const Rule& rule, std::ostream* out) {
    *out << rule.name;
}

class FileSystemContract : public ::testing::TestWithParam<Rule> {};

TEST_P(FileSystemContract, Holds) {
    Root root;
    GetParam().check(root.files(), root);
}

INSTANTIATE_TEST_SUITE_P(Rules, FileSystemContract, ::testing::ValuesIn(kRules),
                         [](const ::testing::TestParamInfo<Rule>& rule) {
                             return std::string(rule.param.name);
                         });

} // namespace
} // namespace velk

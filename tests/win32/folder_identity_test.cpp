// Where paths really lead: folder identities through every spelling and link, full paths, and
// file names compared as the file system compares them.

#include <windows.h>
#include <winioctl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/unique_handles.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_file_system.h"
#include "test_support.h"
#include "unix_links.h"

namespace velk::win32 {
namespace {

using testing::runUnix;
using testing::TempFolder;
using testing::unixPath;

// A junction from `link` (made here) to the folder `target`, as "mklink /j" makes one.
bool makeJunction(const std::string& link, const std::string& target) {
    if (!CreateDirectoryA(link.c_str(), nullptr)) {
        return false;
    }
    UniqueHandle folder(CreateFileA(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                    nullptr));
    const std::wstring substitute = L"\\??\\" + toWide(target);
    const std::wstring print = toWide(target);
    // The mount point layout: tag, data length, reserved, then the offsets and lengths of the
    // two names in bytes, then both names, each ending in a null.
    std::vector<WORD> data{0, static_cast<WORD>(substitute.size() * 2),
                           static_cast<WORD>((substitute.size() + 1) * 2),
                           static_cast<WORD>(print.size() * 2)};
    data.insert(data.end(), substitute.begin(), substitute.end());
    data.push_back(0);
    data.insert(data.end(), print.begin(), print.end());
    data.push_back(0);
    std::vector<BYTE> buffer(8 + data.size() * 2);
    const DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
    const WORD length = static_cast<WORD>(data.size() * 2);
    memcpy(buffer.data(), &tag, 4);
    memcpy(buffer.data() + 4, &length, 2);
    memcpy(buffer.data() + 8, data.data(), data.size() * 2);
    DWORD returned = 0;
    const bool made = folder && DeviceIoControl(folder.get(), FSCTL_SET_REPARSE_POINT,
                                                buffer.data(), static_cast<DWORD>(buffer.size()),
                                                nullptr, 0, &returned, nullptr);
    folder.reset();
    if (!made) {
        RemoveDirectoryA(link.c_str());
    }
    return made;
}

bool isFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A link from `link` to the folder `target`: a junction where the system makes one, else,
// under Wine (whose junctions and symbolic links are not made, as measured here), a Unix
// symbolic link, which Wine follows like one and reports as a reparse point.
enum class Link { None, Junction, Unix };

Link makeLink(const std::string& link, const std::string& target) {
    if (makeJunction(link, target)) {
        return Link::Junction;
    }
    const std::string from = unixPath(link);
    const std::string to = unixPath(target);
    if (!from.empty() && !to.empty() &&
        runUnix("/bin/ln", {"-s", to, from}, [&] { return isFolder(link); })) {
        return Link::Unix;
    }
    return Link::None;
}

// Removes the link itself, never what it leads to (Wine's RemoveDirectory of a Unix link
// removes the folder it leads to).
void removeLink(const std::string& link, Link kind) {
    if (kind == Link::Junction) {
        EXPECT_TRUE(RemoveDirectoryA(link.c_str())) << link;
    } else {
        EXPECT_TRUE(runUnix("/bin/rm", {unixPath(link)}, [&] {
            return GetFileAttributesA(link.c_str()) == INVALID_FILE_ATTRIBUTES;
        })) << link;
    }
}

class FolderIdentityTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(CreateDirectoryA(libs.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA((libs + "\\German").c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA((libs + "2").c_str(), nullptr));
        GetCurrentDirectoryA(sizeof saved_, saved_);
    }
    void TearDown() override { SetCurrentDirectoryA(saved_); }

    Win32FileSystem files;
    TempFolder temp;
    const std::string libs = temp / "Package Libraries";

  private:
    char saved_[MAX_PATH + 1] = {};
};

TEST_F(FolderIdentityTest, EverySpellingOfAFolderHasItsIdentityAndItsParentsAbove) {
    const std::vector<FolderId> lineage = files.folderLineage(libs);
    ASSERT_GE(lineage.size(), 3u); // the folder, the temporary folder, ..., the drive's root
    EXPECT_EQ(files.folderLineage(temp.path()),
              std::vector<FolderId>(lineage.begin() + 1, lineage.end()));
    EXPECT_EQ(files.folderLineage("C:\\").size(), 1u);

    char shortName[MAX_PATH + 1] = {};
    ASSERT_GT(GetShortPathNameA(libs.c_str(), shortName, sizeof shortName), 0u);
    ASSERT_NE(std::string(shortName).find('~'), std::string::npos) << shortName;
    ASSERT_TRUE(SetCurrentDirectoryA((libs + "\\German").c_str()));
    // The plain form of the long path, "C:\...".
    char longName[MAX_PATH + 1] = {};
    ASSERT_GT(GetLongPathNameA(libs.c_str(), longName, sizeof longName), 0u);
    const std::string place = files.finalFolderPath(libs);
    EXPECT_EQ(files.compareFileNames(place, longName), 0) << place;
    for (const std::string& spelling :
         {std::string(shortName), libs + "\\", temp / "PACKAGE LIBRARIES", libs + "\\German\\..",
          temp / ".\\Package Libraries\\\\.", std::string("..")}) {
        EXPECT_EQ(files.folderLineage(spelling), lineage) << spelling;
        EXPECT_EQ(files.finalFolderPath(spelling), place) << spelling;
    }

    const std::vector<FolderId> below = files.folderLineage(libs + "\\German");
    ASSERT_EQ(below.size(), lineage.size() + 1);
    EXPECT_EQ(std::vector<FolderId>(below.begin() + 1, below.end()), lineage);
    EXPECT_NE(files.folderLineage(libs + "2").front(), lineage.front());
    EXPECT_TRUE(files.folderLineage(libs + "\\missing").empty());
    ASSERT_TRUE(testing::writeFile(temp / "file", "x"));
    EXPECT_TRUE(files.folderLineage(temp / "file").empty());
    EXPECT_EQ(files.finalFolderPath(libs + "\\missing"), "");
    EXPECT_EQ(files.finalFolderPath(temp / "file"), "");
}

// The link lies in a folder of its own, so that only the place the folder really lies in gives
// the right folders above it.
TEST_F(FolderIdentityTest, ALinkedFolderIsWhereItsLinkLeads) {
    ASSERT_TRUE(CreateDirectoryA((temp / "elsewhere").c_str(), nullptr));
    const std::string link = temp / "elsewhere\\link";
    const Link kind = makeLink(link, libs);
    if (kind == Link::None) {
        GTEST_SKIP() << "no junction or symbolic link can be made here";
    }
    std::printf("linked by a %s\n", kind == Link::Junction ? "junction" : "Unix symbolic link");
    const std::vector<FolderId> lineage = files.folderLineage(libs);
    const std::vector<FolderId> linked = files.folderLineage(link);
    const std::vector<FolderId> below = files.folderLineage(link + "\\German");
    const std::string linkedPlace = files.finalFolderPath(link);
    removeLink(link, kind);

    EXPECT_EQ(linked, lineage);
    EXPECT_EQ(linkedPlace, files.finalFolderPath(libs));
    ASSERT_EQ(below.size(), lineage.size() + 1);
    EXPECT_EQ(std::vector<FolderId>(below.begin() + 1, below.end()), lineage);
}

TEST_F(FolderIdentityTest, FullPathsResolveAgainstTheCurrentFolder) {
    ASSERT_TRUE(SetCurrentDirectoryA(libs.c_str()));
    EXPECT_EQ(files.fullPath("German"), libs + "\\German");
    EXPECT_EQ(files.fullPath(".."), temp.path());
    EXPECT_EQ(files.fullPath("C:\\a\\.\\b\\..\\c"), "C:\\a\\c");
    // The last name loses its trailing blanks and dots, as Windows drops them when it opens it.
    EXPECT_EQ(files.fullPath("German . "), libs + "\\German");
    EXPECT_EQ(files.fullPath("C:\\a\\target  "), "C:\\a\\target");
}

TEST(FileNames, CompareAsTheFileSystemDoesIgnoringCase) {
    Win32FileSystem files;
    struct Case {
        const char* a;
        const char* b;
        int sign;
    };
    for (const Case& c :
         {Case{"german", "German", 0}, Case{"\xc3\xa4rger", "\xc3\x84RGER", 0},
          Case{"\xd1\x80\xd1\x83\xd1\x81", "\xd0\xa0\xd0\xa3\xd0\xa1", 0}, Case{"", "", 0},
          Case{"", "a", -1}, Case{"Libs", "Libs2", -1}, Case{"b", "A", 1},
          Case{"stra\xc3\x9f"
               "e",
               "STRASSE", 1}}) {
        const int result = files.compareFileNames(c.a, c.b);
        EXPECT_EQ((result > 0) - (result < 0), c.sign) << c.a << " / " << c.b;
    }
}

} // namespace
} // namespace velk::win32

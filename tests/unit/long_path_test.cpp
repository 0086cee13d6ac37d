#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "platform/long_path.h"

namespace velk {
namespace {

struct Case {
    const char* path;
    const char* currentFolder;
    const char* extended;
};

TEST(LongPath, ExtendedFormIsTheFullPathAsWindowsResolvesIt) {
    const Case cases[] = {
        // Drive paths.
        {"C:\\Ziel \xC3\xBC\\\xE7\x9B\xAE\xE6\xA0\x87", "D:\\x",
         "\\\\?\\C:\\Ziel \xC3\xBC\\\xE7\x9B\xAE\xE6\xA0\x87"},
        {"c:/a//b\\", "D:\\x", "\\\\?\\c:\\a\\b\\"},
        {"C:\\", "D:\\x", "\\\\?\\C:\\"},
        // Network paths: the share is the root.
        {"\\\\srv\\share\\a\\b", "C:\\x", "\\\\?\\UNC\\srv\\share\\a\\b"},
        {"//srv/share/../a", "C:\\x", "\\\\?\\UNC\\srv\\share\\a"},
        {"\\\\srv\\share", "C:\\x", "\\\\?\\UNC\\srv\\share"},
        // Relative to the current folder, its drive's root, or another drive's root.
        {"*.*", "C:\\Pkg\\Libs", "\\\\?\\C:\\Pkg\\Libs\\*.*"},
        {"a\\b.zlb", "\\\\srv\\share\\Pkg", "\\\\?\\UNC\\srv\\share\\Pkg\\a\\b.zlb"},
        {"\\a", "C:\\Pkg\\Libs", "\\\\?\\C:\\a"},
        {"\\a", "\\\\srv\\share\\Pkg", "\\\\?\\UNC\\srv\\share\\a"},
        {"c:a", "C:\\Pkg", "\\\\?\\C:\\Pkg\\a"},
        {"D:a", "C:\\Pkg", "\\\\?\\D:\\a"},
        {"", "C:\\Pkg", "\\\\?\\C:\\Pkg"},
        {"..\\b", "\\\\?\\C:\\Pkg\\a", "\\\\?\\C:\\Pkg\\b"},
        {"b", "\\\\?\\UNC\\srv\\share", "\\\\?\\UNC\\srv\\share\\b"},
        // "." and "..", never above the root; trailing dots and spaces as Windows drops them.
        {"C:\\a\\.\\b\\..\\c", "D:\\x", "\\\\?\\C:\\a\\c"},
        {"..\\..\\..\\..\\y", "C:\\a\\b", "\\\\?\\C:\\y"},
        {".\\b.\\c..\\d. .", "C:\\a", "\\\\?\\C:\\a\\b\\c..\\d"},
        {"..", "C:\\", "\\\\?\\C:\\"},
        // Already extended, or a device: unchanged.
        {"\\\\?\\C:\\a\\..\\b", "D:\\x", "\\\\?\\C:\\a\\..\\b"},
        {"\\\\?\\UNC\\srv\\share\\a", "D:\\x", "\\\\?\\UNC\\srv\\share\\a"},
        {"\\\\.\\COM1", "D:\\x", "\\\\.\\COM1"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(extendedPath(c.path, c.currentFolder), c.extended)
            << "path \"" << c.path << "\" in \"" << c.currentFolder << "\"";
    }
}

TEST(LongPath, FullPathIsThePlainForm) {
    EXPECT_EQ(fullPath("..\\b\\.\\c", "C:\\x\\a"), "C:\\x\\b\\c");
    EXPECT_EQ(fullPath("d", "\\\\srv\\share"), "\\\\srv\\share\\d");
    EXPECT_EQ(fullPath("..", "\\\\srv\\share"), "\\\\srv\\share");
    for (const char* full : {"C:\\a", "c:/a", "\\\\srv\\s", "\\\\?\\C:\\a", "\\??\\C:\\a"}) {
        EXPECT_TRUE(isFullPath(full)) << full;
    }
    for (const char* relative : {"a", "\\a", "C:a", "C:", ""}) {
        EXPECT_FALSE(isFullPath(relative)) << relative;
    }
}

TEST(LongPath, PathForWindowsIsThePlainFormWhileItIsShortEnough) {
    EXPECT_EQ(pathForWindows("C:\\a\\b", "D:\\x", 7), "C:\\a\\b");
    EXPECT_EQ(pathForWindows("C:\\a\\bc", "D:\\x", 7), "\\\\?\\C:\\a\\bc");
    EXPECT_EQ(pathForWindows("b", "C:\\a", 7), "b");
    EXPECT_EQ(pathForWindows("bc", "C:\\a", 7), "\\\\?\\C:\\a\\bc");
    EXPECT_EQ(pathForWindows("\\\\?\\C:\\a\\..\\b", "D:\\x", 3), "\\\\?\\C:\\a\\..\\b");
}

TEST(LongPath, DeviceNamesAreTheDevicesInAnyFolder) {
    const std::pair<const char*, const char*> cases[] = {
        {"NUL", "NUL"},
        {"nul.txt", "NUL"},
        {"C:\\x\\Com1 .log", "COM1"},
        {"D:lpt9", "LPT9"},
        {"..\\aux:", "AUX"},
        {"c:/x/con", "CON"},
        {"PRN.", "PRN"},
        {"CONOUT$", "CONOUT$"},
        {"C:\\x\\conin$.log", "CONIN$"},
        {"lpt\xC2\xB2.txt", "LPT\xC2\xB2"},
        {"CONOUT", ""},
        {"COM\xC2\xB4", ""},
        {"NULL", ""},
        {"COM0", ""},
        {"x.nul", ""},
        {"C:\\NUL\\run.log", ""},
        {"\\\\srv\\share\\NUL", ""},
        {"\\\\?\\C:\\NUL", ""},
    };
    for (const auto& [path, device] : cases) {
        EXPECT_EQ(deviceName(path), device) << path;
    }
}

} // namespace
} // namespace velk

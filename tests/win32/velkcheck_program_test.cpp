// velkcheck.exe as vendors run it: the example package is clean; a package folder named in another
// script reaches the checker intact through the command line, and its findings name paths with
// the Windows separator; a package deeper than the plain form of a path reaches (260 characters)
// is read whole, whether the system's long-path setting is on or off; a folder that is not there
// exits with 2.

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/win32/unique_handles.h"
#include "platform/win32/wide_text.h"
#include "test_support.h"

namespace velk::win32 {
namespace {

using testing::TempFolder;

struct Checked {
    DWORD exitCode = 0xDEADBEEF;
    std::string out;
    std::string err;
};

// Runs velkcheck.exe on `package`, its output and errors caught in files of `temp`.
Checked velkcheck(const TempFolder& temp, const std::string& package) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const auto create = [&](const std::string& name) {
        return UniqueHandle(CreateFileW(toWide(temp / name).c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                        &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    };
    // Files of this call's own, so that no call reads what another wrote.
    const std::string outName = testing::uniqueName("out") + ".txt";
    const std::string errName = testing::uniqueName("err") + ".txt";
    UniqueHandle out = create(outName);
    UniqueHandle err = create(errName);
    Checked checked;
    if (!out || !err) {
        ADD_FAILURE() << "cannot create the files of velkcheck's output: " << GetLastError();
        return checked;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out.get();
    startup.hStdError = err.get();
    std::wstring line =
        toWide(testing::quoted(testing::toolPath("velkcheck")) + " " + testing::quoted(package));
    PROCESS_INFORMATION info{};
    // Without a console: Wine gives a console program started without one a console host of its
    // own, which inherits the output files and holds them a moment after the checker has ended.
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, DETACHED_PROCESS, nullptr,
                        nullptr, &startup, &info)) {
        ADD_FAILURE() << "cannot start velkcheck.exe: " << GetLastError();
        return checked;
    }
    CloseHandle(info.hThread);
    const UniqueHandle process(info.hProcess);
    checked.exitCode = testing::exitCodeAfter(process, 60000);
    out.reset();
    err.reset();
    checked.out = testing::contentOf(temp / outName);
    checked.err = testing::contentOf(temp / errName);
    return checked;
}

TEST(VelkcheckProgramTest, ChecksPackagesAsVendorsRunIt) {
    TempFolder temp;
    Checked example =
        velkcheck(temp, ::velk::testing::sourceData(VELK_SOURCE_DIR, "examples/package"));
    EXPECT_EQ(example.exitCode, 0u);
    EXPECT_EQ(example.out + example.err, "");

    const std::string package = temp / "пакет";
    ASSERT_TRUE(CreateDirectoryW(toWide(package).c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(toWide(package + "\\Libs").c_str(), nullptr));
    ASSERT_TRUE(testing::writeFile(package + "\\Libs\\Lib.lin", "[About]\nName=Lib\n"));
    Checked withError = velkcheck(temp, package);
    EXPECT_EQ(withError.exitCode, 1u);
    EXPECT_EQ(withError.out, package +
                                 "\\Libs\\Lib.lin: error: no accepted Dorvan5 version: no key "
                                 "\"Dorvan5_11\" to \"Dorvan5_14\" in [Dorvan] holds \"Yes\", so "
                                 "Install and Remove stay disabled everywhere\r\n");

    Checked missing = velkcheck(temp, temp / "nothing");
    EXPECT_EQ(missing.exitCode, 2u);
    EXPECT_EQ(missing.err, "velkcheck: " + (temp / "nothing") + ": no such folder\r\n");
}

// A package deeper than 260 characters, with one finding.
std::string deepPackage(const TempFolder& temp) {
    std::string deep = temp.path();
    for (int level = 0; level < 3; ++level) {
        deep += "\\" + std::string(100, 'd');
        EXPECT_TRUE(CreateDirectoryW(testing::systemPath(deep).c_str(), nullptr)) << deep;
    }
    deep += "\\package";
    for (const std::string folder : {"", "\\Libs", "\\Libs\\English"}) {
        EXPECT_TRUE(CreateDirectoryW(testing::systemPath(deep + folder).c_str(), nullptr));
    }
    EXPECT_TRUE(
        testing::writeFile(deep + "\\Libs\\Lib.lin",
                           "[Dorvan]\nDorvan5_14=Yes\n[Languages]\nCount=1\nLang0=English\n"));
    EXPECT_TRUE(testing::writeFile(deep + "\\Libs\\English\\Help.txt", "help"));
    EXPECT_TRUE(testing::writeFile(deep + "\\Libs\\English\\empty.txt", ""));
    return deep;
}

std::string deepFinding(const std::string& deep) {
    return deep + "\\Libs\\English\\empty.txt: warning: empty file: it is never installed or "
                  "listed\r\n";
}

TEST(VelkcheckProgramTest, ReadsAPackageDeeperThanTheLimitOfPlainPaths) {
    TempFolder temp;
    const std::string deep = deepPackage(temp);
    const Checked checked = velkcheck(temp, deep);
    EXPECT_EQ(checked.exitCode, 0u);
    EXPECT_EQ(checked.out, deepFinding(deep));
}

// The system's long-path setting, for the programs started while this lives; then as it was.
class LongPathSetting {
  public:
    explicit LongPathSetting(DWORD enabled) {
        EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0,
                                  KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, key_.put(), nullptr),
                  ERROR_SUCCESS)
            << "run as administrator";
        DWORD value = 0;
        DWORD size = sizeof value;
        if (RegQueryValueExW(key_.get(), kValue, nullptr, nullptr, reinterpret_cast<BYTE*>(&value),
                             &size) == ERROR_SUCCESS) {
            before_ = value;
        }
        set(enabled);
    }
    LongPathSetting(const LongPathSetting&) = delete;
    LongPathSetting& operator=(const LongPathSetting&) = delete;
    ~LongPathSetting() {
        if (before_) {
            set(*before_);
        } else {
            RegDeleteValueW(key_.get(), kValue);
        }
    }

  private:
    static constexpr const wchar_t* kKey = L"SYSTEM\\CurrentControlSet\\Control\\FileSystem";
    static constexpr const wchar_t* kValue = L"LongPathsEnabled";
    void set(DWORD value) {
        EXPECT_EQ(RegSetValueExW(key_.get(), kValue, 0, REG_DWORD,
                                 reinterpret_cast<const BYTE*>(&value), sizeof value),
                  ERROR_SUCCESS);
    }
    UniqueHkey key_;
    std::optional<DWORD> before_;
};

TEST(VelkcheckProgramTest, ReadsADeepPackageWithTheLongPathSettingOnAndOff) {
    VELK_WINDOWS_ONLY("Wine has no limit of 260 characters, so its long-path setting changes "
                      "nothing");
    TempFolder temp;
    const std::string deep = deepPackage(temp);
    for (const DWORD enabled : {0u, 1u}) {
        SCOPED_TRACE(enabled ? "long paths enabled" : "long paths not enabled");
        const LongPathSetting setting(enabled);
        const Checked checked = velkcheck(temp, deep);
        EXPECT_EQ(checked.exitCode, 0u);
        EXPECT_EQ(checked.out, deepFinding(deep));
    }
}

} // namespace
} // namespace velk::win32

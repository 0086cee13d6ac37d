// The registry layer against the real registry: HKLM in the 32-bit view, HKCR with falling
// access rights, and the rules for reading text values.

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <sddl.h>
#include <thread>

#include "platform/app_error.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_registry.h"
#include "test_support.h"

namespace velk::win32 {
namespace {

using testing::uniqueName;

// A key created for one test and deleted, with everything below it, at the end.
class TestKey {
  public:
    TestKey(HKEY root, std::string path, REGSAM view = 0)
        : root_(root), path_(std::move(path)), view_(view) {
        const LONG status = RegCreateKeyExW(root_, toWide(path_).c_str(), 0, nullptr, 0,
                                            KEY_ALL_ACCESS | view_, nullptr, key_.put(), nullptr);
        EXPECT_EQ(status, ERROR_SUCCESS) << path_;
    }
    TestKey(const TestKey&) = delete;
    TestKey& operator=(const TestKey&) = delete;
    ~TestKey() {
        key_.reset();
        UniqueHkey key;
        if (RegOpenKeyExW(root_, toWide(path_).c_str(), 0, KEY_ALL_ACCESS | view_, key.put()) ==
            ERROR_SUCCESS) {
            RegDeleteTreeW(key.get(), nullptr);
        }
        key.reset();
        EXPECT_EQ(RegDeleteKeyExW(root_, toWide(path_).c_str(), view_, 0), ERROR_SUCCESS) << path_;
    }

    const std::string& path() const { return path_; }

    void set(const std::string& name, DWORD type, const void* data, DWORD size) {
        ASSERT_EQ(
            RegSetValueExA(key_.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size),
            ERROR_SUCCESS)
            << name;
    }
    // UTF-16 data of `bytes` bytes under a name in any script.
    void setWide(const std::string& name, const std::wstring& data, DWORD bytes, DWORD type) {
        ASSERT_EQ(RegSetValueExW(key_.get(), toWide(name).c_str(), 0, type,
                                 reinterpret_cast<const BYTE*>(data.c_str()), bytes),
                  ERROR_SUCCESS)
            << name;
    }
    // Text stored with its terminating NUL, as programs normally write it.
    void setText(const std::string& name, const std::string& text, DWORD type = REG_SZ) {
        set(name, type, text.c_str(), static_cast<DWORD>(text.size() + 1));
    }

  private:
    HKEY root_;
    std::string path_;
    REGSAM view_;
    UniqueHkey key_;
};

std::string hklmTestPath() {
    return "Software\\VelkInstallTests\\" + uniqueName("key");
}

// Cleans up the common parent of the HKLM test keys in both views.
class RegistryTest : public ::testing::Test {
  protected:
    static void TearDownTestSuite() {
        for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
            RegDeleteKeyExA(HKEY_LOCAL_MACHINE, "Software\\VelkInstallTests", view, 0);
        }
    }
    Win32Registry registry;
};

TEST_F(RegistryTest, ReadsTextValuesOfTheThirtyTwoBitViewLiterally) {
    TestKey key(HKEY_LOCAL_MACHINE, hklmTestPath(), KEY_WOW64_32KEY);
    key.setText("StdLibDir", "C:\\Dorvan 5\\Std Lib\\");
    key.setText("AppsDir", "%ProgramFiles%\\Dorvan", REG_EXPAND_SZ);
    key.setText("", "default value");
    key.set("Embedded", REG_SZ, "abc\0def", 8);
    key.set("Unterminated", REG_SZ, "xyz", 3); // no NUL stored
    key.set("EmptyText", REG_SZ, "", 0);
    key.set("EmptyDword", REG_DWORD, "", 0);
    const std::string longText(100000, 'L');
    key.setText("Long", longText);

    auto opened = registry.openLocalMachine(key.path());
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(opened->readString("StdLibDir"), "C:\\Dorvan 5\\Std Lib\\");
    EXPECT_EQ(opened->readString("stdlibdir"), "C:\\Dorvan 5\\Std Lib\\");
    EXPECT_EQ(opened->readString("AppsDir"), "%ProgramFiles%\\Dorvan");
    EXPECT_EQ(opened->readString(""), "default value");
    EXPECT_EQ(opened->readString("Embedded"), "abc");
    EXPECT_EQ(opened->readString("Unterminated"), "xyz");
    EXPECT_EQ(opened->readString("EmptyText"), "");
    EXPECT_EQ(opened->readString("EmptyDword"), "");
    EXPECT_EQ(opened->readString("Missing"), "");
    EXPECT_EQ(opened->readString("Long"), longText);
}

TEST_F(RegistryTest, ReadsNamesInAnyScriptAsUtf8) {
    TestKey key(HKEY_LOCAL_MACHINE, hklmTestPath() + "\\Ключ 键", KEY_WOW64_32KEY);
    struct Case {
        std::string name;
        std::wstring data;
        DWORD bytes; // 0: the text with its NUL
        std::string expected;
    };
    const Case cases[] = {
        {"UsrLibDir", L"C:\\Ziel ü\\目标 std", 0, "C:\\Ziel ü\\目标 std"},
        {"Όνομα λ", L"Πακέτο Пакет 库", 0, "Πακέτο Пакет 库"},
        {"Expand", L"%ProgramFiles%\\库", 0, "%ProgramFiles%\\库"},
        {"OddWithNul", L"Пакет", 11, "Пакет"}, // half of the NUL
        {"OddCut", L"Пакет", 9, "Паке"},       // half of the last character
        {"LoneSurrogate",
         L"a\xD800"
         L"b",
         0,
         "a\xEF\xBF\xBD"
         "b"}, // U+FFFD
    };
    for (const Case& c : cases) {
        const DWORD bytes =
            c.bytes != 0 ? c.bytes : static_cast<DWORD>((c.data.size() + 1) * sizeof(wchar_t));
        key.setWide(c.name, c.data, bytes, c.name == "Expand" ? REG_EXPAND_SZ : REG_SZ);
    }
    auto opened = registry.openLocalMachine(key.path());
    ASSERT_NE(opened, nullptr);
    for (const Case& c : cases) {
        EXPECT_EQ(opened->readString(c.name), c.expected) << c.name;
    }
}

TEST_F(RegistryTest, OtherTypesAreErrorsNamingTheValue) {
    TestKey key(HKEY_LOCAL_MACHINE, hklmTestPath(), KEY_WOW64_32KEY);
    const DWORD one = 1;
    key.set("Silent", REG_DWORD, &one, sizeof one);
    key.set("Binary", REG_BINARY, "ab", 2);
    key.set("Multi", REG_MULTI_SZ, "a\0b\0", 5);

    auto opened = registry.openLocalMachine(key.path());
    ASSERT_NE(opened, nullptr);
    for (const char* name : {"Silent", "Binary", "Multi"}) {
        std::string message = "<no error>";
        try {
            opened->readString(name);
        } catch (const AppError& error) {
            message = error.what();
        }
        EXPECT_EQ(message, std::string("Invalid data type for '") + name + "'");
    }
}

TEST_F(RegistryTest, SeesOnlyTheThirtyTwoBitViewAndCreatesNothing) {
    TestKey only64(HKEY_LOCAL_MACHINE, hklmTestPath(), KEY_WOW64_64KEY);
    only64.setText("Path", "64-bit view");
    // The premise: the views are distinct on this system.
    UniqueHkey probe;
    ASSERT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, only64.path().c_str(), 0,
                            KEY_READ | KEY_WOW64_32KEY, probe.put()),
              ERROR_SUCCESS);

    EXPECT_EQ(registry.openLocalMachine(only64.path()), nullptr);

    const std::string missing = hklmTestPath();
    EXPECT_EQ(registry.openLocalMachine(missing), nullptr);
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
        EXPECT_NE(
            RegOpenKeyExA(HKEY_LOCAL_MACHINE, missing.c_str(), 0, KEY_READ | view, probe.put()),
            ERROR_SUCCESS);
    }
}

TEST_F(RegistryTest, ReadsEachValueWholeWhileItChangesLength) {
    TestKey key(HKEY_LOCAL_MACHINE, hklmTestPath(), KEY_WOW64_32KEY);
    const std::string shortText = "short";
    const std::string longText(5000, 'x');
    key.setText("Changing", shortText);
    auto opened = registry.openLocalMachine(key.path());
    ASSERT_NE(opened, nullptr);

    std::atomic<bool> stop{false};
    std::thread writer([&] {
        UniqueHkey writable;
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.path().c_str(), 0, KEY_SET_VALUE | KEY_WOW64_32KEY,
                      writable.put());
        for (unsigned i = 0; !stop; ++i) {
            const std::string& text = i % 2 ? longText : shortText;
            RegSetValueExA(writable.get(), "Changing", 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(text.c_str()),
                           static_cast<DWORD>(text.size() + 1));
        }
    });
    int odd = 0;
    for (int i = 0; i < 2000; ++i) {
        const std::string text = opened->readString("Changing");
        if (text != shortText && text != longText) {
            ++odd;
        }
    }
    stop = true;
    writer.join();
    EXPECT_EQ(odd, 0);
}

// HKCR keys are written where HKCR shows them; the test needs administrator rights on Windows.
class ClassesRootTest : public RegistryTest {
  protected:
    // A key of HKCR whose access list grants `rights` (plus what the test needs to remove it).
    static void restrict(const TestKey& key, DWORD rights) {
        char text[64];
        wsprintfA(text, "D:P(A;;0x%lx;;;WD)", rights | DELETE | WRITE_DAC);
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(text, SDDL_REVISION_1,
                                                                         &descriptor, nullptr));
        UniqueHkey writable;
        ASSERT_EQ(
            RegOpenKeyExA(HKEY_CLASSES_ROOT, key.path().c_str(), 0, WRITE_DAC, writable.put()),
            ERROR_SUCCESS);
        const LONG status =
            RegSetKeySecurity(writable.get(), DACL_SECURITY_INFORMATION, descriptor);
        LocalFree(descriptor);
        ASSERT_EQ(status, ERROR_SUCCESS);
    }
};

TEST_F(ClassesRootTest, ReadsAssociationKeys) {
    TestKey extension(HKEY_CLASSES_ROOT, "." + uniqueName("velktest"));
    const std::string typeName = uniqueName("VelkTest.Document");
    extension.setText("", typeName);
    TestKey type(HKEY_CLASSES_ROOT, typeName); // removes Shell\Open with it
    TestKey command(HKEY_CLASSES_ROOT, typeName + "\\Shell\\Open\\Command");
    command.setText("", "\"C:\\Program Files\\Viewer\\view.exe\" \"%1\"", REG_EXPAND_SZ);

    auto opened = registry.openClassesRoot(extension.path());
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(opened->readString(""), typeName);
    opened = registry.openClassesRoot(typeName + "\\Shell\\Open\\Command");
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(opened->readString(""), "\"C:\\Program Files\\Viewer\\view.exe\" \"%1\"");
    EXPECT_EQ(registry.openClassesRoot(uniqueName(".velkmissing")), nullptr);

    // The empty path is the root itself.
    const std::string rootValue = uniqueName("VelkTestRootValue");
    ASSERT_EQ(RegSetValueExA(HKEY_CLASSES_ROOT, rootValue.c_str(), 0, REG_SZ,
                             reinterpret_cast<const BYTE*>("at the root"), 12),
              ERROR_SUCCESS);
    auto root = registry.openClassesRoot("");
    const std::string read = root ? root->readString(rootValue) : "<not opened>";
    EXPECT_EQ(RegDeleteValueA(HKEY_CLASSES_ROOT, rootValue.c_str()), ERROR_SUCCESS);
    EXPECT_EQ(read, "at the root");
    root.reset();
    // Closing the key of the root leaves the root usable.
    UniqueHkey again;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, extension.path().c_str(), 0, KEY_READ, again.put()),
              ERROR_SUCCESS);
}

TEST_F(ClassesRootTest, FallsBackToNarrowerReadRights) {
    struct Case {
        DWORD granted;
        bool opens;
    };
    const Case cases[] = {
        {KEY_READ, true},
        // KEY_READ asks KEY_NOTIFY too: refused, the second attempt opens.
        {STANDARD_RIGHTS_READ | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS, true},
        // Without READ_CONTROL only the third attempt opens.
        {KEY_QUERY_VALUE, true},
        {KEY_ENUMERATE_SUB_KEYS | READ_CONTROL, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.granted);
        TestKey key(HKEY_CLASSES_ROOT, "." + uniqueName("velkacl"));
        key.setText("", "VelkTest.Restricted");
        restrict(key, c.granted);
        // The premise: full read access is refused unless granted.
        UniqueHkey probe;
        EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, key.path().c_str(), 0, KEY_READ, probe.put()) ==
                      ERROR_SUCCESS,
                  c.granted == KEY_READ);

        auto opened = registry.openClassesRoot(key.path());
        ASSERT_EQ(opened != nullptr, c.opens);
        if (opened) {
            EXPECT_EQ(opened->readString(""), "VelkTest.Restricted");
        }
    }
}

} // namespace
} // namespace velk::win32

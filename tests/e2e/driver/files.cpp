// Paths, files and package folders of the end-to-end tests.
#include <windows.h>

#include <algorithm>

#include "platform/win32/unique_handles.h"
#include "platform/win32/wide_text.h"
#include "tests/e2e/driver/driver.h"
#include "tests/test_places.h"

#ifndef VELK_E2E_PROGRAM
#error "VELK_E2E_PROGRAM must name the built VelkInstall.exe"
#endif
#ifndef VELK_E2E_BINARY_DIR
#error "VELK_E2E_BINARY_DIR must name the build folder"
#endif

namespace velk::e2e {

using win32::toUtf8;

namespace {

std::string lastErrorText(DWORD error) {
    wchar_t buffer[512] = {};
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, error, 0, buffer, 512, nullptr);
    while (length > 0 && (buffer[length - 1] == L'\r' || buffer[length - 1] == L'\n' ||
                          buffer[length - 1] == L'.')) {
        buffer[--length] = L'\0';
    }
    return "error " + std::to_string(error) +
           (length > 0 ? " (" + toUtf8(std::wstring_view(buffer, length)) + ")" : "");
}

// The wide form that Windows takes for a path of the tests' making (always a full path). From
// a folder's length of 248 characters on, the plain form is refused where long paths are not
// enabled, so longer paths go in the extended form.
std::wstring wide(const std::string& path) {
    std::wstring text = win32::toWide(path);
    if (text.size() < 248 || text.rfind(L"\\\\?\\", 0) == 0) {
        return text;
    }
    if (text.rfind(L"\\\\", 0) == 0) {
        return L"\\\\?\\UNC\\" + text.substr(2);
    }
    return L"\\\\?\\" + text;
}

[[noreturn]] void fail(const std::string& what) {
    throw DriverError(what + ": " + lastErrorText(GetLastError()));
}

std::string parentOf(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

template <typename Keep> std::vector<std::string> namesIn(const std::string& folder, Keep keep) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW entry{};
    win32::UniqueFindHandle find(FindFirstFileW(wide(folder + "\\*").c_str(), &entry));
    if (!find) {
        return names;
    }
    do {
        const std::string name = toUtf8(entry.cFileName);
        if (name != "." && name != ".." && keep(entry)) {
            names.push_back(name);
        }
    } while (FindNextFileW(find.get(), &entry));
    std::sort(names.begin(), names.end());
    return names;
}

bool isFolder(const WIN32_FIND_DATAW& entry) {
    return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

} // namespace

std::string toWinePath(const std::string& unixPath) {
    std::string path = unixPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path.rfind('\\', 0) == 0 ? "Z:" + path : path;
}

std::string programPath() {
    const std::string kit = testing::placeFromEnvironment(L"VELK_TEST_KIT");
    return kit.empty() ? toWinePath(VELK_E2E_PROGRAM) : kit + "\\VelkInstall.exe";
}
std::string workRoot() {
    const std::string work = testing::placeFromEnvironment(L"VELK_TEST_WORK");
    return (work.empty() ? toWinePath(VELK_E2E_BINARY_DIR) : work) + "\\e2e-work";
}
std::string screenshotFolder() {
    const std::string results = testing::placeFromEnvironment(L"VELK_TEST_RESULTS");
    return (results.empty() ? toWinePath(VELK_E2E_BINARY_DIR) : results) + "\\screenshots";
}

void makeFolder(const std::string& path) {
    if (path.empty() || folderExists(path)) {
        return;
    }
    makeFolder(parentOf(path));
    if (!CreateDirectoryW(wide(path).c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        fail("cannot create folder " + path);
    }
}

std::map<std::string, std::string> treeOf(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const std::string& name : filesIn(folder)) {
        files[name] = readFile(folder + "\\" + name);
    }
    for (const std::string& sub : foldersIn(folder)) {
        for (const auto& [name, contents] : treeOf(folder + "\\" + sub)) {
            files[sub + "\\" + name] = contents;
        }
    }
    return files;
}

void removeTree(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(wide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return;
    }
    SetFileAttributesW(wide(path).c_str(),
                       FILE_ATTRIBUTE_NORMAL | (attributes & FILE_ATTRIBUTE_DIRECTORY));
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        if (!DeleteFileW(wide(path).c_str())) {
            fail("cannot delete " + path);
        }
        return;
    }
    for (const std::string& name : namesIn(path, [](const WIN32_FIND_DATAW&) { return true; })) {
        removeTree(path + "\\" + name);
    }
    if (!RemoveDirectoryW(wide(path).c_str())) {
        fail("cannot remove folder " + path);
    }
}

void writeFile(const std::string& path, const std::string& contents) {
    makeFolder(parentOf(path));
    win32::UniqueHandle file(CreateFileW(wide(path).c_str(), GENERIC_WRITE, 0, nullptr,
                                         CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        fail("cannot create " + path);
    }
    DWORD written = 0;
    if (!contents.empty() && (!WriteFile(file.get(), contents.data(),
                                         static_cast<DWORD>(contents.size()), &written, nullptr) ||
                              written != contents.size())) {
        fail("cannot write " + path);
    }
}

std::string readFile(const std::string& path) {
    // Shared for writing too: a file that a started program still has open for appending (the
    // recorder of command lines) can be read while it does.
    win32::UniqueHandle file(CreateFileW(wide(path).c_str(), GENERIC_READ,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        fail("cannot open " + path);
    }
    std::string contents;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
        contents.append(buffer, got);
    }
    return contents;
}

void copyFile(const std::string& from, const std::string& to) {
    makeFolder(parentOf(to));
    if (!CopyFileW(wide(from).c_str(), wide(to).c_str(), FALSE)) {
        fail("cannot copy " + from + " to " + to);
    }
}

void copyTree(const std::string& from, const std::string& to) {
    makeFolder(to);
    for (const std::string& name : filesIn(from)) {
        copyFile(from + "\\" + name, to + "\\" + name);
    }
    for (const std::string& name : foldersIn(from)) {
        copyTree(from + "\\" + name, to + "\\" + name);
    }
}

bool fileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool folderExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::vector<std::string> filesIn(const std::string& folder) {
    return namesIn(folder, [](const WIN32_FIND_DATAW& entry) { return !isFolder(entry); });
}

std::vector<std::string> foldersIn(const std::string& folder) {
    return namesIn(folder, [](const WIN32_FIND_DATAW& entry) { return isFolder(entry); });
}

void setReadOnly(const std::string& path, bool readOnly) {
    const DWORD attributes = GetFileAttributesW(wide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        fail("no such file " + path);
    }
    const DWORD wanted = readOnly ? (attributes | FILE_ATTRIBUTE_READONLY)
                                  : (attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
    if (!SetFileAttributesW(wide(path).c_str(), wanted)) {
        fail("cannot change the attributes of " + path);
    }
}

std::string makePackage(const std::string& folder, const PackageContents& contents) {
    removeTree(folder);
    makeFolder(folder);
    if (contents.copyProgram) {
        copyFile(programPath(), folder + "\\VelkInstall.exe");
    }
    if (contents.libsFolder || contents.description) {
        makeFolder(folder + "\\Libs");
    }
    if (contents.description) {
        writeFile(folder + "\\Libs\\" + contents.descriptionName, *contents.description);
    }
    for (const auto& [relative, contents] : contents.files) {
        if (!relative.empty() && relative.back() == '\\') {
            makeFolder(folder + "\\" + relative.substr(0, relative.size() - 1)); // a folder
        } else {
            writeFile(folder + "\\" + relative, contents);
        }
    }
    return folder;
}

} // namespace velk::e2e

#include "tests/e2e/driver/associations.h"

#include "platform/win32/unique_handles.h"
#include "platform/win32/wide_text.h"
#include "tests/e2e/driver/driver.h"

namespace velk::e2e {

namespace {

void setDefault(const std::string& key, DWORD type, const void* data, DWORD size) {
    win32::UniqueHkey handle;
    LONG result = RegCreateKeyExW(HKEY_CLASSES_ROOT, win32::toWide(key).c_str(), 0, nullptr, 0,
                                  KEY_WRITE, nullptr, handle.put(), nullptr);
    if (result == ERROR_SUCCESS) {
        result = RegSetValueExW(handle.get(), L"", 0, type, static_cast<const BYTE*>(data), size);
    }
    if (result != ERROR_SUCCESS) {
        throw DriverError("cannot set the default value of HKCR\\" + key + ": error " +
                          std::to_string(result));
    }
}

void deleteClassesRootKey(const std::string& key) {
    const std::wstring wide = win32::toWide(key);
    RegDeleteTreeW(HKEY_CLASSES_ROOT, wide.c_str());
    RegDeleteKeyW(HKEY_CLASSES_ROOT, wide.c_str());
}

} // namespace

std::string recorderPath() {
    const std::string program = programPath();
    return program.substr(0, program.find_last_of('\\') + 1) + "record_command_line.exe";
}

void setClassesRootDefault(const std::string& key, const std::string& value) {
    const std::wstring data = win32::toWide(value);
    setDefault(key, REG_SZ, data.c_str(), static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
}

void setClassesRootDword(const std::string& key, DWORD value) {
    setDefault(key, REG_DWORD, &value, sizeof value);
}

FileAssociation::FileAssociation(std::string extension, std::string type,
                                 const std::string& command)
    : extension_(std::move(extension)), type_(std::move(type)) {
    remove();
    setClassesRootDefault(extension_, type_);
    setClassesRootDefault(type_ + "\\Shell\\Open\\Command", command);
}

FileAssociation::~FileAssociation() {
    remove();
}

void FileAssociation::remove() const {
    deleteClassesRootKey(extension_);
    deleteClassesRootKey(type_);
}

RecordFile::RecordFile(std::string path) : path_(std::move(path)) {
    SetEnvironmentVariableW(L"VELK_RECORD_FILE", win32::toWide(path_).c_str());
}

RecordFile::~RecordFile() {
    SetEnvironmentVariableW(L"VELK_RECORD_FILE", nullptr);
}

} // namespace velk::e2e

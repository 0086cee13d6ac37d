#include "app/host_suite.h"

#include <array>
#include <utility>

#include "app/text_compare.h"
#include "platform/file_system.h"
#include "platform/registry.h"

namespace velk {

namespace {

// The versions whose installation records its folders, and the key where it does.
constexpr std::array<std::pair<const char*, const char*>, 4> kVersionKeys{{
    {"Dorvan5_11", "Software\\Velk-Marden\\dorvan5\\1.1\\global"},
    {"Dorvan5_12", "Software\\Velk-Marden\\dorvan5\\1.2\\global"},
    {"Dorvan5_13", "Software\\Velk-Marden\\dorvan5\\1.3\\global"},
    {"Dorvan5_14", "Software\\Velk-Marden\\dorvan5\\1.4\\global"},
}};

constexpr std::array<std::pair<const char*, const char*>, 6> kVersionTitles{{
    {"Dorvan4", "Dorvan4"},
    {"Dorvan5_10", "Dorvan5 V1.0"},
    {"Dorvan5_11", "Dorvan5 V1.1"},
    {"Dorvan5_12", "Dorvan5 V1.2"},
    {"Dorvan5_13", "Dorvan5 V1.3"},
    {"Dorvan5_14", "Dorvan5 V1.4"},
}};

const char* folderValueName(int folderKind) {
    switch (folderKind) {
    case 0:
        return "StdLibDir";
    case 1:
        return "AppLibDir";
    case 2:
        return "UsrLibDir";
    default:
        return "AppsDir";
    }
}

} // namespace

bool findHostLibraryFolder(Registry& registry, FileSystem& files, const std::string& versionKey,
                           int folderKind, std::string& folder) {
    const char* keyPath = nullptr;
    for (const auto& [key, path] : kVersionKeys) {
        if (sameTextAscii(versionKey, key)) {
            keyPath = path;
            break;
        }
    }
    if (keyPath == nullptr) {
        return false;
    }
    auto key = registry.openLocalMachine(keyPath);
    if (!key) {
        return false;
    }
    folder = key->readString(folderValueName(folderKind));
    return files.folderExists(folder);
}

std::vector<std::string> hostVersionKeys() {
    std::vector<std::string> keys;
    for (const auto& [key, path] : kVersionKeys) {
        keys.emplace_back(key);
    }
    return keys;
}

std::string hostVersionTitle(const std::string& versionKey) {
    for (const auto& [key, title] : kVersionTitles) {
        if (sameTextAscii(versionKey, key)) {
            return title;
        }
    }
    return "Dorvan5 newer";
}

} // namespace velk

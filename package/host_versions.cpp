#include "package/host_versions.h"

#include <array>
#include <utility>

#include "package/text_compare.h"

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

} // namespace

std::vector<std::string> hostVersionKeys() {
    std::vector<std::string> keys;
    for (const auto& [key, path] : kVersionKeys) {
        keys.emplace_back(key);
    }
    return keys;
}

const char* hostVersionRegistryKey(const std::string& versionKey) {
    for (const auto& [key, path] : kVersionKeys) {
        if (sameTextAscii(versionKey, key)) {
            return path;
        }
    }
    return nullptr;
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

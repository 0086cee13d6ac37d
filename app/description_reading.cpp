#include <string>
#include <string_view>
#include <vector>

#include "app/form_install.h"
#include "app/host_suite.h"
#include "package/ini_file.h"
#include "package/package_rules.h"

namespace velk {

namespace {

// Cuts the info text at every "\" "n" pair: each piece in front of a separator is a line, empty
// or not; the rest after the last separator is a line only when it is not empty.
std::vector<std::string> infoLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string_view rest(text);
    for (auto cut = rest.find("\\n"); cut != std::string_view::npos; cut = rest.find("\\n")) {
        lines.emplace_back(rest.substr(0, cut));
        rest.remove_prefix(cut + 2);
    }
    if (!rest.empty()) {
        lines.emplace_back(rest);
    }
    return lines;
}

int libraryKind(const std::string& value) {
    if (value == "Std") {
        return 0;
    }
    if (value == "App") {
        return 1;
    }
    return 2;
}

// Takes the first entry of the current folder whose name matches `pattern`, folders included,
// in the platform's enumeration order.
bool firstMatch(FileSystem& files, const std::string& pattern, std::string& name) {
    bool found = false;
    files.enumerate(pattern, [&](const DirEntry& entry) {
        if (!found) {
            name = entry.name;
            found = true;
        }
    });
    return found;
}

} // namespace

// Finds the package description in the package's "Libs" folder, which becomes the current folder
// and stays so: a ".lin" file first, else a ".velklin" file.
bool TFormInstall::findDescriptionFile(const std::string& folder) {
    FileSystem& files = platform_.files;
    const std::string libs = folder + "Libs";
    if (!files.folderExists(libs)) {
        return false;
    }
    files.setCurrentFolder(libs);
    return firstMatch(files, "*.lin", descriptionFile) ||
           firstMatch(files, "*.velklin", descriptionFile);
}

// Takes the package description over into the main window: the library's identity, the info
// text, the accepted host suite versions that are installed, the languages and the target kind.
bool TFormInstall::readDescription(const std::string& fileName) {
    FileSystem& files = platform_.files;
    if (fileName.empty() || !files.fileExists(fileName)) {
        return false;
    }
    const IniFile ini = IniFile::read(files, fileName);

    libName = ini.readString("About", "Name", "");
    libVersion = ini.readString("About", "Version", "1.0.0");
    libDistributed = ini.readString("About", "Distributed", "");
    libAuthor = ini.readString("About", "Author", "");
    logoFile = ini.readString("About", "Picture", "logo.bmp");

    const std::string text = ini.readString("Licence", "Text", "");
    const std::vector<std::string> info =
        text.empty() ? ini.sectionLines("Licence") : infoLines(text);
    MemoInfo.clear();
    for (const std::string& line : info) {
        MemoInfo.add(line);
    }

    // Accepted versions that are installed, the last one in the file first. They are collected
    // in file order and handed over reversed, which gives the same lists as putting each in
    // front of the earlier ones without moving every earlier entry each time.
    acceptedVersions.clear();
    grLocation.clearItems();
    std::vector<std::string> accepted;
    const auto handOver = [&] {
        for (auto it = accepted.rbegin(); it != accepted.rend(); ++it) {
            acceptedVersions.push_back(*it);
            grLocation.addItem(hostVersionTitle(*it));
        }
    };
    const std::vector<std::string> keys = ini.sectionKeys("Dorvan");
    const std::vector<std::string> lines = ini.sectionLines("Dorvan");
    try {
        for (std::size_t i = 0; i < keys.size(); ++i) {
            const std::string& key = keys[i];
            if (!offersHostVersion(key, lines[i])) {
                continue;
            }
            std::string appsFolder;
            if (findHostLibraryFolder(platform_.registry, files, key, 3, appsFolder)) {
                accepted.push_back(key);
            }
        }
    } catch (...) {
        handOver(); // an unreadable registry value ends the reading with the versions found so far
        throw;
    }
    handOver();

    rgLang.clearItems();
    int count = ini.readInteger("Languages", "Count", 0);
    if (count > kOfferedLanguages) {
        count = kOfferedLanguages;
    }
    for (int i = 0; i < count; ++i) {
        rgLang.addItem(ini.readString("Languages", "Lang" + std::to_string(i), ""));
    }
    if (count == 0) {
        rgLang.addItem("Default");
    }
    // The group selects the last item for an index beyond it and none for -1 or less.
    rgLang.setItemIndex(ini.readInteger("Languages", "Selected", 0));

    targetLibKind = libraryKind(ini.readString("Dorvan", "Dorvan5Libs", "Usr"));
    return true;
}

} // namespace velk

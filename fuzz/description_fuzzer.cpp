// Feeds arbitrary bytes to the text decoder, to the INI reader (raw and decoded) and, as the
// package description, to the main window's start-up, and checks the invariants that the rest of
// the program relies on.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "app/form_install.h"
#include "package/ini_file.h"
#include "platform/text_decoding.h"
#include "tests/unit/fakes/fake_platform.h"

namespace {

using velk::decodeText;
using velk::IniFile;
using velk::TFormInstall;
using velk::testing::FakePlatform;

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

// Every stored line starts with its key; a line with a key continues with "=".
void checkSection(const IniFile& ini, std::string_view section) {
    const std::vector<std::string> lines = ini.sectionLines(section);
    const std::vector<std::string> keys = ini.sectionKeys(section);
    check(lines.size() == keys.size(), "one key per stored line");
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        check(!line.empty(), "no empty stored line");
        check(line.compare(0, keys[i].size(), keys[i]) == 0, "line starts with its key");
        if (!keys[i].empty()) {
            check(line.size() > keys[i].size() && line[keys[i].size()] == '=', "key then \"=\"");
            // Reading that key yields the value of some line of the section.
            (void)ini.readString(section, keys[i], "");
            (void)ini.readInteger(section, keys[i], 0);
        }
        check(static_cast<unsigned char>(line.front()) > ' ', "lines are trimmed at the front");
        check(static_cast<unsigned char>(line.back()) > ' ', "lines are trimmed at the back");
    }
}

// A machine with host suite versions 1.1 and 1.4 installed, and a package whose description
// holds the input.
void startUp(const std::string& description) {
    FakePlatform fake;
    for (const char* version : {"1.1", "1.4"}) {
        const std::string key =
            std::string("Software\\Velk-Marden\\dorvan5\\") + version + "\\global";
        const std::string root = std::string("C:\\Dorvan") + version;
        fake.registry.setLocalMachine(key, "AppsDir", root + "\\Apps");
        fake.registry.setLocalMachine(key, "UsrLibDir", root + "\\Usr");
        fake.registry.setLocalMachine(key, "StdLibDir", root + "\\Std");
        fake.files.addFolder(root + "\\Apps");
        fake.files.addFolder(root + "\\Usr");
    }
    fake.files.addFile("C:\\pkg\\Libs\\x.lin", description);

    TFormInstall form(fake.platform);
    check(fake.boxes.shown.size() <= 1, "start-up shows at most one box");
    for (const auto& box : fake.boxes.shown) {
        check(box.kind == "error", "start-up reports no unexpected error");
    }

    // Reading again must give the same state.
    const std::vector<std::string> versions = form.acceptedVersions;
    const std::vector<std::string> languages = form.rgLang.items();
    const std::vector<std::string> info = form.MemoInfo.lines();
    check(form.readDescription("C:\\pkg\\Libs\\x.lin"), "the description is read");
    check(form.acceptedVersions == versions, "versions read the same twice");
    check(form.rgLang.items() == languages, "languages read the same twice");
    check(form.MemoInfo.lines() == info, "info text read the same twice");

    check(form.acceptedVersions.size() == form.grLocation.items().size(),
          "locations parallel to the accepted versions");
    check(form.rgLang.items().size() <= 4, "at most four languages");
    check(form.rgLang.itemIndex() >= -1 &&
              form.rgLang.itemIndex() < static_cast<int>(form.rgLang.items().size()),
          "language selection within the items");
    check(form.targetLibKind >= 0 && form.targetLibKind <= 2, "target kind 0, 1 or 2");
    for (const std::string& version : form.acceptedVersions) {
        check(version.size() == 10, "only known version keys are accepted");
    }
}

// The decoded text is well-formed UTF-8 without NUL: decoding it again (as unmarked text) keeps
// it as it is.
void checkDecoded(const std::string& decoded) {
    check(decoded.find('\0') == std::string::npos, "no NUL in decoded text");
    if (decoded.starts_with("\xEF\xBB\xBF")) {
        return; // a second mark behind the first stays as text, but would be read as a mark
    }
    velk::testing::FakeFileSystem files;
    check(decodeText(decoded, files) == decoded, "decoded text is valid UTF-8");
}

void checkSections(const IniFile& ini) {
    for (std::string_view section : {"About", "Licence", "Dorvan", "Languages", "", "["}) {
        checkSection(ini, section);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    velk::testing::FakeFileSystem files;
    const std::string decoded = decodeText(text, files);
    checkDecoded(decoded);
    checkSections(IniFile::parse(decoded));

    const IniFile ini = IniFile::parse(text);
    checkSections(ini);
    // Section names taken from the input itself (the first few, to keep each run short).
    int names = 0;
    for (std::size_t open = text.find('['); open != std::string::npos && names < 16;
         open = text.find('[', open + 1), ++names) {
        const std::size_t close = text.find(']', open);
        if (close == std::string::npos) {
            break;
        }
        checkSection(ini, std::string_view(text).substr(open + 1, close - open - 1));
    }

    startUp(text);
    return 0;
}

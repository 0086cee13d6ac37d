// Times TFormInstall::readDescription of a generated 10,000-line package description (also saved
// as UTF-16, and the INI parse on its own) and prints the median, fastest and slowest of several
// runs. Exits with 1 when the median of the description read reaches the 10 ms budget.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/form_install.h"
#include "package/ini_file.h"
#include "tests/unit/fakes/fake_platform.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kLines = 10000;
constexpr int kRuns = 51;
constexpr double kBudgetMs = 10.0;

// A large but plausible description: a long licence text kept as section lines, many [Dorvan]
// entries of which a few name installed versions, comments and blank lines, the languages.
std::string generateDescription() {
    std::vector<std::string> lines = {"; generated package description",
                                      "[About]",
                                      "Name=Benchmark Blocks",
                                      "Version=9.9.9",
                                      "Distributed=Velk-Marden",
                                      "Author=Bench",
                                      "Picture=logo.bmp",
                                      "[Languages]",
                                      "Count=4",
                                      "Lang0=English",
                                      "Lang1=German",
                                      "Lang2=France",
                                      "Lang3=Italien",
                                      "Selected=2",
                                      "[Dorvan]",
                                      "Dorvan5_11=Yes",
                                      "Dorvan5_12=Yes",
                                      "Dorvan5_13=No",
                                      "Dorvan5_14=Yes",
                                      "Dorvan5Libs=Std"};
    int i = 0;
    while (static_cast<int>(lines.size()) < kLines / 2) {
        lines.push_back("Option" + std::to_string(i) + (i % 2 == 0 ? " = Yes" : " = No"));
        if (i % 50 == 0) {
            lines.push_back("; block " + std::to_string(i));
            lines.push_back("");
        }
        ++i;
    }
    lines.push_back("[Licence]");
    while (static_cast<int>(lines.size()) < kLines) {
        lines.push_back("  Clause " + std::to_string(lines.size()) +
                        ": the blocks may be used in machines built with the host suite.  ");
    }
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

struct Summary {
    double median;
    double fastest;
    double slowest;
};

template <typename Action> Summary timeRuns(Action action) {
    action(); // warm up: first-touch page faults and allocator growth are not the subject
    std::vector<double> ms;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = Clock::now();
        action();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    return Summary{ms[ms.size() / 2], ms.front(), ms.back()};
}

void print(const char* what, const Summary& s) {
    std::printf("%-44s median %7.3f ms  (fastest %7.3f, slowest %7.3f, %d runs)\n", what, s.median,
                s.fastest, s.slowest, kRuns);
}

} // namespace

int main() {
    const std::string text = generateDescription();

    velk::testing::FakePlatform fake;
    for (const char* version : {"1.1", "1.2", "1.4"}) {
        const std::string key =
            std::string("Software\\Velk-Marden\\dorvan5\\") + version + "\\global";
        const std::string root = std::string("C:\\Dorvan") + version;
        fake.registry.setLocalMachine(key, "AppsDir", root + "\\Apps");
        fake.registry.setLocalMachine(key, "StdLibDir", root + "\\Std");
        fake.files.addFolder(root + "\\Apps");
        fake.files.addFolder(root + "\\Std");
    }
    fake.files.addFile("C:\\pkg\\Libs\\bench.lin", text);
    velk::TFormInstall form(fake.platform);

    bool read = true;
    const Summary description = timeRuns([&] { read = form.readDescription("bench.lin") && read; });
    // The same text saved as UTF-16 (it is ASCII, so every byte gains a zero byte after it).
    std::string utf16 = "\xFF\xFE";
    for (const char c : text) {
        utf16 += c;
        utf16 += '\0';
    }
    fake.files.addFile("C:\\pkg\\Libs\\bench16.lin", utf16);
    const Summary described16 =
        timeRuns([&] { read = form.readDescription("bench16.lin") && read; });
    std::size_t parsedLines = 0;
    const Summary parse =
        timeRuns([&] { parsedLines = velk::IniFile::parse(text).sectionLines("Licence").size(); });

    // Not a plausible description, but a bound worth knowing: every line accepts an installed
    // version, so every line costs a registry lookup and a new location at the front.
    std::string repeated = "[Dorvan]\r\n";
    for (int i = 0; i < kLines; ++i) {
        repeated += "Dorvan5_14=Yes\r\n";
    }
    fake.files.addFile("C:\\pkg\\Libs\\repeated.lin", repeated);
    const Summary worst = timeRuns([&] { form.readDescription("repeated.lin"); });
    const std::size_t worstLocations = form.acceptedVersions.size();
    form.readDescription("bench.lin");

    std::printf("description: %d lines, %zu bytes; %zu locations, %zu languages, %zu info "
                "lines\n",
                kLines, text.size(), form.acceptedVersions.size(), form.rgLang.items().size(),
                parsedLines);
    print("readDescription (file read, parse, window)", description);
    print("readDescription, the file in UTF-16", described16);
    print("IniFile::parse alone", parse);
    std::printf("%d lines that all accept an installed version (%zu locations):\n", kLines,
                worstLocations);
    print("readDescription", worst);
    if (!read || form.acceptedVersions.size() != 3) {
        std::printf("FAILED: the description was not taken over\n");
        return 1;
    }
    if (description.median >= kBudgetMs) {
        std::printf("FAILED: median above the %.0f ms budget\n", kBudgetMs);
        return 1;
    }
    return 0;
}

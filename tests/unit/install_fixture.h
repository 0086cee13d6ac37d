#pragma once
// A package under C:\pkg\ and an installed host suite, ready for constructing the main window
// and installing or removing the package. Shared by the installation and removal tests.

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "app/form_install.h"
#include "tests/unit/fakes/fake_platform.h"

namespace velk::testing {

// Readable message boxes in test failures.
inline void PrintTo(const FakeMessageBoxes::Shown& box, std::ostream* out) {
    std::string text = box.text;
    for (char& c : text) {
        if (c == '\r') {
            c = '|';
        }
    }
    *out << box.kind << " \"" << text << "\"";
}

class InstallFixture : public ::testing::Test {
  protected:
    static constexpr const char* kLibs = "C:\\pkg\\Libs\\";
    static constexpr const char* kDescription = "C:\\pkg\\Libs\\demo.lin";
    static constexpr const char* kTarget = "C:\\dorvan\\usr";
    static constexpr const char* kHostKey = "Software\\Velk-Marden\\dorvan5\\1.4\\global";
    static constexpr const char* kUnattendedKey = "Software\\Velk-Marden\\dorvan5\\1.4\\Installer";

    void SetUp() override {
        fake.registry.setLocalMachine(kHostKey, "AppsDir", "C:\\dorvan\\apps");
        fake.registry.setLocalMachine(kHostKey, "UsrLibDir", kTarget);
        fake.files.addFolder("C:\\dorvan\\apps");
        fake.files.addFolder(kTarget);
        writeDescription("[Languages]\nCount=2\nLang0=English\nLang1=German\nSelected=1\n");
        fake.files.addFile(std::string(kLibs) + "a.zlb", "a-package");
        fake.files.addFile(std::string(kLibs) + "b.zlb", "b-package");
        fake.files.addFile(std::string(kLibs) + "texts.txt", "base texts");
        fake.files.addFile(std::string(kLibs) + "English\\texts.txt", "english texts");
        fake.files.addFile(std::string(kLibs) + "German\\texts.txt", "german texts");
        fake.files.addFile(std::string(kLibs) + "German\\only-german.txt", "german extra");
    }

    // The package description with [About] Demo 2.0, accepting host suite version 1.4, and
    // `languages` (a [Languages] section, or nothing).
    void writeDescription(const std::string& languages) {
        fake.files.addFile(kDescription, "[About]\nName=Demo\nVersion=2.0\n"
                                         "[Dorvan]\nDorvan5_14=Yes\n" +
                                             languages);
    }

    // Constructs the main window, which reads the package as at program start.
    TFormInstall& start() {
        form = std::make_unique<TFormInstall>(fake.platform);
        EXPECT_EQ(form->eInstallDir.text(), kTarget);
        fake.files.log.clear();
        fake.boxes.shown.clear();
        return *form;
    }

    std::string target(const std::string& name) const { return std::string(kTarget) + "\\" + name; }

    // The operations of one kind ("copy", "mkdir", "delete") that the file system saw.
    std::vector<std::string> logged(const std::string& kind) const {
        std::vector<std::string> found;
        for (const std::string& entry : fake.files.log) {
            if (entry.rfind(kind + " ", 0) == 0) {
                found.push_back(entry.substr(kind.size() + 1));
            }
        }
        return found;
    }

    std::vector<std::string> boxKinds() const {
        std::vector<std::string> kinds;
        for (const auto& box : fake.boxes.shown) {
            kinds.push_back(box.kind);
        }
        return kinds;
    }

    FakePlatform fake;
    std::unique_ptr<TFormInstall> form;
};

} // namespace velk::testing

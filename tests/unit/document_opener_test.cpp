#include <gtest/gtest.h>

#include "app/form_install.h"
#include "dialogs/document_opener.h"
#include "platform/app_error.h"
#include "tests/unit/fakes/fake_platform.h"

namespace velk {
namespace {

using testing::FakePlatform;
using testing::ValueType;

class DocumentOpenerTest : public ::testing::Test {
  protected:
    // Associates `extension` with a file type whose open command is `command`.
    void associate(const std::string& extension, const std::string& command,
                   const std::string& type = "ZullTest.Doc") {
        p.registry.setClassesRoot(extension, "", type);
        p.registry.setClassesRoot(type + "\\Shell\\Open\\Command", "", command);
    }
    // The one command line started by opening `path`.
    std::string opened(const std::string& path) {
        p.processes.started.clear();
        opener.openDocument(path);
        EXPECT_EQ(p.processes.started.size(), 1u);
        return p.processes.started.empty() ? std::string("<nothing>") : p.processes.started[0];
    }

    FakePlatform p;
    DocumentOpener opener{p.platform};
};

TEST(FileExtension, TakesTheLastDotAfterTheLastBackslashAndColon) {
    EXPECT_EQ(fileExtension("C:\\pkg\\libs\\lib.tar.zfb"), ".zfb");
    EXPECT_EQ(fileExtension("C:\\pkg\\libs\\name."), ".");
    EXPECT_EQ(fileExtension("C:\\pkg\\libs\\.hidden"), ".hidden");
    EXPECT_EQ(fileExtension("C:\\pkg.v2\\libs\\README"), "");
    EXPECT_EQ(fileExtension("C:.txt"), ".txt");
    EXPECT_EQ(fileExtension("C:\\a.b:stream"), "");
    EXPECT_EQ(fileExtension(""), "");
}

TEST_F(DocumentOpenerTest, ReplacesTheDocumentPlaceholderAndALeadingSystemRoot) {
    associate(".txt", "%SystemRoot%\\system32\\NOTEPAD.EXE %1");
    EXPECT_EQ(opened("C:\\pkg\\libs\\readme.txt"),
              "C:\\windows\\system32\\NOTEPAD.EXE \"C:\\pkg\\libs\\readme.txt\"");
    // Other environment references and placeholders stay as they are.
    associate(".zfb", "C:\\Viewer\\view.exe /p %TEMP% %1 %2");
    EXPECT_EQ(opened("C:\\pkg\\libs\\a.zfb"),
              "C:\\Viewer\\view.exe /p %TEMP% \"C:\\pkg\\libs\\a.zfb\" %2");
}

TEST_F(DocumentOpenerTest, AppendsTheQuotedPathWhenTheCommandHasNoPlaceForIt) {
    // No "%1": the path goes after one blank, and "%SystemRoot%" stays unreplaced.
    associate(".zfb", "%SystemRoot%\\viewer.exe");
    EXPECT_EQ(opened("C:\\My Package\\libs\\a b.zfb"),
              "%SystemRoot%\\viewer.exe \"C:\\My Package\\libs\\a b.zfb\"");
    // A "%1" at the very start counts as none and stays in the text.
    associate(".zfb", "%1 /open");
    EXPECT_EQ(opened("C:\\pkg\\libs\\a.zfb"), "%1 /open \"C:\\pkg\\libs\\a.zfb\"");
}

TEST_F(DocumentOpenerTest, ReplacesOnlyTheFirstPlaceholderAndQuotesThePathOnce) {
    // A "%1" already in quotes gets the bare path, so a path with blanks stays one argument.
    associate(".zfb", "\"C:\\Program Files\\viewer.exe\" \"%1\"");
    EXPECT_EQ(opened("C:\\My pkg\\libs\\a.zfb"),
              "\"C:\\Program Files\\viewer.exe\" \"C:\\My pkg\\libs\\a.zfb\"");
    associate(".zfb", "viewer.exe \"%1");
    EXPECT_EQ(opened("C:\\pkg\\libs\\a.zfb"), "viewer.exe \"\"C:\\pkg\\libs\\a.zfb\"");
    associate(".zfb", "viewer.exe %1 /copy %1");
    EXPECT_EQ(opened("C:\\pkg\\libs\\a.zfb"), "viewer.exe \"C:\\pkg\\libs\\a.zfb\" /copy %1");
}

TEST_F(DocumentOpenerTest, ReplacesSystemRootOnlyInItsExactSpellingAtTheStart) {
    associate(".zfb", "%systemroot%\\viewer.exe %1");
    EXPECT_EQ(opened("C:\\pkg\\libs\\a.zfb"), "%systemroot%\\viewer.exe \"C:\\pkg\\libs\\a.zfb\"");
    associate(".zfb", "\"%SystemRoot%\\viewer.exe\" %1");
    EXPECT_EQ(opened("C:\\pkg\\libs\\a.zfb"),
              "\"%SystemRoot%\\viewer.exe\" \"C:\\pkg\\libs\\a.zfb\"");
    // The placeholder is compared exactly, so "%1" within a longer reference counts as well.
    associate(".zfb", "%SystemRoot%\\v.exe %10");
    EXPECT_EQ(opened("C:\\pkg\\libs\\a.zfb"), "C:\\windows\\v.exe \"C:\\pkg\\libs\\a.zfb\"0");
}

TEST_F(DocumentOpenerTest, AFileWithoutExtensionUsesTheRootKeysDefaultValue) {
    EXPECT_EQ(opened("C:\\pkg.v2\\libs\\README"),
              "C:\\windows\\notepad.exe \"C:\\pkg.v2\\libs\\README\"");
    p.registry.setClassesRoot("", "", "Plain.File");
    p.registry.setClassesRoot("Plain.File\\Shell\\Open\\Command", "", "plain.exe %1");
    EXPECT_EQ(opener.findOpenCommand("C:\\pkg.v2\\libs\\README"), "plain.exe %1");
    EXPECT_EQ(opened("C:\\pkg.v2\\libs\\README"), "plain.exe \"C:\\pkg.v2\\libs\\README\"");
}

TEST_F(DocumentOpenerTest, WithoutAnAssociationTheTextEditorOpensTheQuotedPath) {
    const std::string path = "C:\\My Package\\libs\\read me.zfb";
    const std::string notepad = "C:\\windows\\notepad.exe \"" + path + "\"";
    // No key for the extension.
    EXPECT_EQ(opened(path), notepad);
    // A key that can't be opened.
    p.registry.setClassesRoot(".zfb", "", "ZullTest.Doc");
    p.registry.classesRoot[".zfb"].denied = true;
    EXPECT_EQ(opened(path), notepad);
    // An empty type name.
    p.registry.classesRoot[".zfb"].denied = false;
    p.registry.setClassesRoot(".zfb", "", "");
    EXPECT_EQ(opened(path), notepad);
    // A type without a command key.
    p.registry.setClassesRoot(".zfb", "", "ZullTest.Doc");
    EXPECT_EQ(opened(path), notepad);
    // An empty command.
    p.registry.setClassesRoot("ZullTest.Doc\\Shell\\Open\\Command", "", "");
    EXPECT_EQ(opened(path), notepad);
    // A command after the first NUL is not read.
    p.registry.setClassesRoot("ZullTest.Doc\\Shell\\Open\\Command", "", std::string("\0v.exe", 6));
    EXPECT_EQ(opened(path), notepad);
}

TEST_F(DocumentOpenerTest, ANonTextDefaultValueIsAnErrorAndStartsNothing) {
    p.registry.setClassesRoot(".zfb", "", std::string("\1\0\0\0", 4), ValueType::Dword);
    try {
        opener.openDocument("C:\\pkg\\libs\\a.zfb");
        FAIL() << "no error";
    } catch (const AppError& error) {
        EXPECT_STREQ(error.what(), "Invalid data type for ''");
    }
    associate(".zfb", "unused");
    p.registry.setClassesRoot("ZullTest.Doc\\Shell\\Open\\Command", "", "v.exe %1",
                              ValueType::Binary);
    EXPECT_THROW(opener.openDocument("C:\\pkg\\libs\\a.zfb"), AppError);
    EXPECT_TRUE(p.processes.started.empty());
}

TEST_F(DocumentOpenerTest, AnExpandableCommandIsUsedAsStored) {
    p.registry.setClassesRoot(".zfb", "", "ZullTest.Doc", ValueType::ExpandSz);
    p.registry.setClassesRoot("ZullTest.Doc\\Shell\\Open\\Command", "", "%ProgramFiles%\\v.exe %1",
                              ValueType::ExpandSz);
    EXPECT_EQ(opened("C:\\pkg\\libs\\a.zfb"), "%ProgramFiles%\\v.exe \"C:\\pkg\\libs\\a.zfb\"");
}

TEST_F(DocumentOpenerTest, RunCommandJoinsProgramAndArgumentWithOneBlank) {
    opener.runCommand("C:\\v.exe /x", "");
    opener.runCommand("C:\\v.exe /x", "arg");
    EXPECT_EQ(p.processes.started, (std::vector<std::string>{"C:\\v.exe /x", "C:\\v.exe /x arg"}));
}

TEST_F(DocumentOpenerTest, TheReadmeAlwaysGoesToTheTextEditor) {
    associate(".txt", "C:\\Editor\\edit.exe %1");
    p.files.program = "C:\\My Package\\";
    TFormInstall main{p.platform};
    p.processes.started.clear();
    main.packageFolder = "C:\\My Package\\";
    // The file need not exist.
    main.btReadmeClick();
    EXPECT_EQ(p.processes.started,
              (std::vector<std::string>{
                  "C:\\windows\\notepad.exe \"C:\\My Package\\libs\\readme.txt\""}));
    // Started in the folder the package's documents lie in.
    EXPECT_EQ(p.processes.folders, std::vector<std::string>{"C:\\My Package\\libs"});
}

} // namespace
} // namespace velk

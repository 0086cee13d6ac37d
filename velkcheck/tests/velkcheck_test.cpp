// The checker on small packages made in a temporary folder: each row gives the package's files
// and exactly the findings and exit code it must give. How a description is read is the
// installer's reader's business and is tested with it; these rows test what is found.

#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/unit/encoded_text.h"
#include "velkcheck/command_line.h"
#include "velkcheck/package_folder.h"

namespace velk::check {
namespace {

namespace fs = std::filesystem;

// A file (or, ending in "/", a folder) of a package, its path relative to the package.
struct File {
    enum class Kind { Regular, Closed, Pipe, Link, Larger };
    std::string path;
    std::string content; // a link: where it leads
    Kind kind = Kind::Regular;
};
using Files = std::vector<File>;

// A file that nobody may read.
File closed(std::string path) {
    return {std::move(path), "closed", File::Kind::Closed};
}
// A named pipe, which nothing ever writes to.
File namedPipe(std::string path) {
    return {std::move(path), "", File::Kind::Pipe};
}
File linkTo(std::string path, std::string target) {
    return {std::move(path), std::move(target), File::Kind::Link};
}
// A file one byte larger than the checker reads (sparse: it takes no room).
File larger(std::string path) {
    return {std::move(path), "", File::Kind::Larger};
}

// A description that gives no finding, in a package with one library file and its one language.
const std::string kDescription = "[About]\n"
                                 "Name=Lib\n"
                                 "[Dorvan]\n"
                                 "Dorvan5_14=Yes\n"
                                 "[Languages]\n"
                                 "Count=1\n"
                                 "Lang0=English\n";

Files package(const std::string& description, Files more = {}) {
    Files files{{"Libs/Lib.lin", description},
                {"Libs/Lib.zfb", "blocks"},
                {"Libs/English/Help.txt", "help"}};
    files.insert(files.end(), more.begin(), more.end());
    return files;
}

// A fresh folder, removed with everything in it at the end.
class TemporaryFolder {
  public:
    TemporaryFolder() {
        std::string pattern = (fs::temp_directory_path() / "velkcheck-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~TemporaryFolder() { fs::remove_all(path_); }
    const std::string& path() const { return path_; }

    void write(const Files& files) const {
        for (const File& file : files) {
            const fs::path target = fs::path(path_) / file.path;
            if (file.path.ends_with('/')) {
                fs::create_directories(target);
                continue;
            }
            fs::create_directories(target.parent_path());
            switch (file.kind) {
            case File::Kind::Pipe:
                ASSERT_EQ(mkfifo(target.c_str(), 0644), 0) << target;
                break;
            case File::Kind::Link:
                fs::create_symlink(file.content, target);
                break;
            default:
                std::ofstream(target, std::ios::binary) << file.content;
            }
            if (file.kind == File::Kind::Closed) {
                fs::permissions(target, fs::perms::none);
            } else if (file.kind == File::Kind::Larger) {
                fs::resize_file(target, kMaxFileBytes + 1);
            }
        }
    }

  private:
    std::string path_;
};

struct Outcome {
    int exitCode;
    std::string out;
    std::string err;
};

Outcome run(const std::vector<std::string>& arguments) {
    std::ostringstream out;
    std::ostringstream err;
    const int exitCode = runCommandLine(arguments, out, err);
    return Outcome{exitCode, out.str(), err.str()};
}

// The lines with "PKG" standing for the package folder, each ended by a line end.
std::string expectedOutput(const std::vector<std::string>& lines, const std::string& folder) {
    std::string text;
    for (const std::string& line : lines) {
        text += line.starts_with("PKG") ? folder + line.substr(3) : line;
        text += '\n';
    }
    return text;
}

struct PackageCase {
    const char* name;
    Files files;
    std::vector<std::string> findings;
    int exitCode;
};

// Root reads every file whatever its mode. While it lives, this thread (and every thread it
// starts) reads as any other user does: the effective capabilities that override file modes are
// dropped, and given back at the end.
class WithoutReadOverride {
  public:
    WithoutReadOverride() {
        syscall(SYS_capget, &header_, saved_);
        __user_cap_data_struct dropped[2] = {saved_[0], saved_[1]};
        dropped[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        syscall(SYS_capset, &header_, dropped);
    }
    ~WithoutReadOverride() { syscall(SYS_capset, &header_, saved_); }
    WithoutReadOverride(const WithoutReadOverride&) = delete;
    WithoutReadOverride& operator=(const WithoutReadOverride&) = delete;

  private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2] = {};
};

class Packages : public ::testing::TestWithParam<PackageCase> {};

// Each package, hostile ones included (a pipe that never ends, a device without end), is
// checked within a second.
TEST_P(Packages, GiveExactlyTheirFindingsAndExitCode) {
    const TemporaryFolder folder;
    folder.write(GetParam().files);
    const auto start = std::chrono::steady_clock::now();
    const Outcome result = [&] {
        const WithoutReadOverride asAnyUser;
        return run({folder.path()});
    }();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(result.out, expectedOutput(GetParam().findings, folder.path()));
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.exitCode, GetParam().exitCode);
}

INSTANTIATE_TEST_SUITE_P(
    Checker, Packages,
    ::testing::Values(
        PackageCase{"Clean", package(kDescription), {}, 0},
        PackageCase{"NamesFoundWithoutRegardToLetterCase",
                    {{"libs/lib.LIN", kDescription},
                     {"libs/Lib.zfb", "blocks"},
                     {"libs/english/Help.txt", "help"},
                     {"LOGO.BMP", "BM" + std::string(60, '\0')}},
                    {},
                    0},
        PackageCase{"NoLibsFolder",
                    {{"Lib.lin", kDescription}, {"Libs", "a file"}},
                    {"PKG: error: no \"Libs\" folder: the installer finds no package "
                     "description"},
                    1},
        PackageCase{"NoDescription",
                    {{"Libs/Lib.ini", kDescription}},
                    {"PKG/Libs: error: no package description: no file whose name ends in "
                     "\".lin\" (or else \".velklin\")"},
                    1},
        PackageCase{"TwoDescriptionsOfTheKindTaken",
                    package(kDescription,
                            {{"Libs/Old.lin", kDescription}, {"Libs/Lib.velklin", "not read"}}),
                    {"PKG/Libs: error: 2 package descriptions (\"Lib.lin\", \"Old.lin\"): which "
                     "one the installer reads depends on the file system's order"},
                    1},
        PackageCase{"DescriptionThatIsAFolder",
                    {{"Libs/Lib.lin/", ""}, {"Libs/Lib.velklin", kDescription}},
                    {"PKG/Libs/Lib.lin: error: a folder, not a package description file: the "
                     "installer reads no description"},
                    1},
        PackageCase{"LanguageNamesRefused",
                    package("[Dorvan]\nDorvan5_14=Yes\n"
                            "[Languages]\nCount=6\nLang0=English\nLang1=..\nLang2=a\\b\n"
                            "Lang3=C:x\nLang4=. .\nLang5=~VelkInstall2.work.\n"),
                    {"PKG/Libs/Lib.lin:4: warning: [Languages] Count is 6: only the first 4 "
                     "languages are offered as the default language",
                     "PKG/Libs/Lib.lin:6: error: [Languages] Lang1 \"..\" is a language name "
                     "the installer refuses (it holds \"\\\", \"/\" or \":\", or is only dots "
                     "and blanks, as \".\" and \"..\" are): installation stops",
                     "PKG/Libs/Lib.lin:7: error: [Languages] Lang2 \"a\\b\" is a language name "
                     "the installer refuses (it holds \"\\\", \"/\" or \":\", or is only dots "
                     "and blanks, as \".\" and \"..\" are): installation stops",
                     "PKG/Libs/Lib.lin:8: error: [Languages] Lang3 \"C:x\" is a language name "
                     "the installer refuses (it holds \"\\\", \"/\" or \":\", or is only dots "
                     "and blanks, as \".\" and \"..\" are): installation stops",
                     "PKG/Libs/Lib.lin:9: error: [Languages] Lang4 \". .\" is a language name "
                     "the installer refuses (it holds \"\\\", \"/\" or \":\", or is only dots "
                     "and blanks, as \".\" and \"..\" are): installation stops",
                     "PKG/Libs/Lib.lin:10: error: [Languages] Lang5 \"~VelkInstall2.work.\" is "
                     "named like the installer's work folder in the target "
                     "(\"~VelkInstall.work\"): the installer refuses the package",
                     "PKG/Libs/Lib.lin:10: warning: [Languages] Lang5 \"~VelkInstall2.work.\" has "
                     "no folder in \"Libs\": nothing of this language is installed"},
                    1},
        PackageCase{"NoAcceptedHostVersion",
                    package("[Languages]\nCount=1\nLang0=English\n"
                            "[Dorvan]\nDorvan5_14=yes\nDorvan5_15=Yes\nDorvan5Libs=Yes\n"),
                    {"PKG/Libs/Lib.lin:4: error: no accepted Dorvan5 version: no key "
                     "\"Dorvan5_11\" to \"Dorvan5_14\" in [Dorvan] holds \"Yes\", so Install "
                     "and Remove stay disabled everywhere",
                     "PKG/Libs/Lib.lin:6: warning: key \"Dorvan5_15\" in [Dorvan] is not read "
                     "by the installer; did you mean \"Dorvan5_11\", \"Dorvan5_12\", "
                     "\"Dorvan5_13\" or \"Dorvan5_14\"?",
                     "PKG/Libs/Lib.lin:7: warning: [Dorvan] Dorvan5Libs is \"Yes\", not exactly "
                     "\"Std\", \"App\" or \"Usr\": the user library folder is taken"},
                    1},
        PackageCase{
            "LogoOfATypeTheInstallerCannotShow",
            package(kDescription + "[About]\nPicture=art\\logo.png\n", {{"logo.png", "\x89PNG"}}),
            {"PKG/Libs/Lib.lin:8: warning: section [About] is given again (also at line "
             "1): only the last one is read",
             "PKG/Libs/Lib.lin:9: error: the logo \"logo.png\" is of type \".png\", which "
             "the installer cannot show: it reports an error at every start (use .bmp, "
             ".ico, .emf or .wmf)"},
            1},
        PackageCase{"LogoMissingOrNotAPictureOfItsType",
                    package(kDescription + "[About]\nPicture=C:\\art\\Logo.ICO\n",
                            {{"logo.ico", "BM not an icon"}}),
                    {"PKG/Libs/Lib.lin:8: warning: section [About] is given again (also at line "
                     "1): only the last one is read",
                     "PKG/logo.ico: warning: not a Windows icon: the logo will not show"},
                    0},
        PackageCase{
            "LogoNamedButMissing",
            package("[About]\nPicture=pics/logo.bmp\n[Dorvan]\nDorvan5_14=Yes\n", {{"pics/", ""}}),
            {"PKG/Libs/English: warning: no language of the description names this "
             "folder: it is never installed",
             "PKG/Libs/Lib.lin:2: warning: [About] Picture names \"pics/logo.bmp\", "
             "which is not in the package folder: no logo is shown"},
            0},
        PackageCase{"MoreLanguagesThanOfferedAndSelectionOutside",
                    package("[Dorvan]\nDorvan5_14=Yes\n"
                            "[Languages]\nCount=5\nLang0=English\nLang1=english\nLang2=ENGLISH\n"
                            "Lang3=English\nLang4=English\nSelected=4\n"),
                    {"PKG/Libs/Lib.lin:4: warning: [Languages] Count is 5: only the first 4 "
                     "languages are offered as the default language",
                     "PKG/Libs/Lib.lin:10: warning: [Languages] Selected is 4, outside the 4 "
                     "languages offered: the last one is preselected"},
                    0},
        PackageCase{"LanguageKeysAgainstCount",
                    package("[Dorvan]\nDorvan5_14=Yes\n"
                            "[Languages]\nCount=4\nLang0=English\nLang2=\nLang4=English\n"
                            "Selected=-1\n"),
                    {"PKG/Libs/Lib.lin:4: warning: [Languages] Count is 4 but Lang1, Lang3 are "
                     "missing: a missing language reads as \"\" and installs the base files "
                     "into the target folder again",
                     "PKG/Libs/Lib.lin:6: warning: [Languages] Lang2 is empty: it installs the "
                     "base files into the target folder again",
                     "PKG/Libs/Lib.lin:7: warning: [Languages] Lang4 is ignored: Count is 4",
                     "PKG/Libs/Lib.lin:8: warning: [Languages] Selected is -1, outside the 4 "
                     "languages offered: none is preselected"},
                    0},
        PackageCase{"LanguageFoldersAgainstTheListing",
                    package("[Dorvan]\nDorvan5_14=Yes\n"
                            "[Languages]\nCount=3\nLang0=English\nLang1=German\n"
                            "Lang2=english.\n",
                            {{"Libs/Spare/", ""}}),
                    {"PKG/Libs/Lib.lin:6: warning: [Languages] Lang1 \"German\" has no folder in "
                     "\"Libs\": nothing of this language is installed",
                     "PKG/Libs/Spare: warning: no language of the description names this folder: "
                     "it is never installed"},
                    0},
        // Without languages, "Default" is offered: its folder goes into the target folder.
        PackageCase{
            "DefaultFolderWithoutLanguages",
            {{"Libs/Lib.lin", "[Dorvan]\nDorvan5_14=Yes\n"}, {"Libs/Default/Help.txt", "help"}},
            {},
            0},
        PackageCase{"RepeatedAndUnknownNames",
                    package("[About]\nName=A\nVerison=1\n"
                            "[Dorvan]\nDorvan5_14=Yes\nDorvan5_14=Yes\n"
                            "[Language]\nCount=1\n"
                            "[Languages]\nCount=1\nLang0=English\nEnglish\n"
                            "[About]\nName=B\nname=C\n"),
                    {"PKG/Libs/Lib.lin:3: warning: key \"Verison\" in [About] is not read by the "
                     "installer; did you mean \"Version\"?",
                     "PKG/Libs/Lib.lin:6: warning: key \"Dorvan5_14\" is given again in [Dorvan] "
                     "(also at line 5): every line of it is read, and each that holds \"Yes\" "
                     "offers the version once more",
                     "PKG/Libs/Lib.lin:7: warning: section [Language] is not read by the "
                     "installer; did you mean [Languages]?",
                     "PKG/Libs/Lib.lin:12: warning: line \"English\" in [Languages] has no "
                     "\"=\": the installer does not read it",
                     "PKG/Libs/Lib.lin:13: warning: section [About] is given again (also at line "
                     "1): only the last one is read",
                     "PKG/Libs/Lib.lin:15: warning: key \"name\" is given again in [About] (also "
                     "at line 14): only the last one is read"},
                    0},
        PackageCase{"FilesNeverInstalledAndNamesWindowsCannotCreate",
                    package(kDescription, {{"Libs/empty.txt", ""},
                                           {"Libs/EMPTY.TXT", ""},
                                           {"Libs/LIB.ZFB", "again"},
                                           {"Libs/lib.zfb", "and again"},
                                           {"Libs/English/nul.txt", "x"},
                                           {"Libs/English/notes.", "x"},
                                           {"Libs/English/why?.txt", "x"},
                                           {"Libs/English/tab\t.txt", "x"},
                                           {"Com7 .zfb", "x"}}),
                    {"PKG/Com7 .zfb: error: \"Com7\" is a device name on Windows, with any "
                     "extension",
                     "PKG/Libs/EMPTY.TXT: warning: empty file: it is never installed or listed",
                     "PKG/Libs/English/notes.: error: the name ends in a dot or blank, which "
                     "Windows drops",
                     "PKG/Libs/English/nul.txt: error: \"nul\" is a device name on Windows, "
                     "with any extension",
                     "PKG/Libs/English/tab\\x09.txt: error: the name holds the control character "
                     "09, which Windows does not allow in names",
                     "PKG/Libs/English/why?.txt: error: the name holds \"?\", which Windows "
                     "does not allow in names",
                     "PKG/Libs/Lib.zfb: error: Windows takes this name and \"LIB.ZFB\" for the "
                     "same name: only one of them can exist there, and installing the package "
                     "fails",
                     "PKG/Libs/empty.txt: warning: Windows takes this name and \"EMPTY.TXT\" for "
                     "the same name: only one of them can exist there",
                     "PKG/Libs/empty.txt: warning: empty file: it is never installed or listed",
                     "PKG/Libs/lib.zfb: error: Windows takes this name and \"LIB.ZFB\" for the "
                     "same name: only one of them can exist there, and installing the package "
                     "fails"},
                    1},
        PackageCase{"DescriptionInTheAnsiCodePage",
                    package(kDescription + "[About]\nAuthor=Ren\xE9\n"),
                    {"PKG/Libs/Lib.lin: warning: the description is neither UTF-8 nor UTF-16 "
                     "with a byte-order mark: it is read in each user's ANSI code page, and its "
                     "names may read differently on other machines",
                     "PKG/Libs/Lib.lin:8: warning: section [About] is given again (also at line "
                     "1): only the last one is read"},
                    0},
        PackageCase{"DescriptionMarkedAsUtf8WithOtherBytes",
                    package("\xEF\xBB\xBF" + kDescription + "; Ren\xE9\n"),
                    {"PKG/Libs/Lib.lin: warning: the description is marked as UTF-8 but holds "
                     "bytes that are not UTF-8: they read as \"\xEF\xBF\xBD\""},
                    0},
        PackageCase{"DescriptionMarkedAsUtf8FollowedByUtf16sMark",
                    package("\xEF\xBB\xBF\xFF\xFE" + kDescription),
                    {"PKG/Libs/Lib.lin: warning: the description is marked as UTF-8 but holds "
                     "bytes that are not UTF-8: they read as \"\xEF\xBF\xBD\""},
                    0},
        PackageCase{
            "FilesThatCannotBeRead",
            package(kDescription, {closed("Libs/Closed.zfb"), closed("Libs/English/Closed.txt")}),
            {"PKG/Libs/Closed.zfb: error: the file cannot be read: installing it fails",
             "PKG/Libs/English/Closed.txt: error: the file cannot be read: installing it "
             "fails"},
            1},
        PackageCase{"FilesWhereALanguageHasItsFolder",
                    package("[Dorvan]\nDorvan5_14=Yes\n"
                            "[Languages]\nCount=3\nLang0=English\nLang1=German\nLang2=french\n",
                            {{"Libs/English/German", "goes into German's folder as the default"},
                             {"Libs/German/Help.txt", "help"},
                             {"Libs/French", "a base file"}}),
                    {"PKG/Libs/English/German: error: installed into the target folder when "
                     "\"English\" is the default language, where the language \"German\" has its "
                     "folder of the same name: one of the copies fails",
                     "PKG/Libs/French: error: installed into the target folder, where the "
                     "language \"french\" has its folder of the same name: one of the copies "
                     "fails",
                     "PKG/Libs/Lib.lin:7: warning: [Languages] Lang2 \"french\" has no folder in "
                     "\"Libs\": nothing of this language is installed"},
                    1},
        PackageCase{"DescriptionThatIsALinkToADeviceWithoutEnd",
                    {linkTo("Libs/Lib.lin", "/dev/zero")},
                    {"PKG/Libs/Lib.lin: error: a link that leads out of the package folder, to "
                     "\"/dev/zero\": the installer copies nothing through it",
                     "PKG/Libs/Lib.lin: warning: empty file: it is never installed or listed",
                     "PKG/Libs/Lib.lin: error: the package description is not a regular file (a "
                     "pipe or a device, say): it is not read"},
                    1},
        // Links that stay in the package are fine; the installer copies nothing through one that
        // leads out.
        PackageCase{"LinksLeadingOutOfThePackage",
                    package(kDescription,
                            {linkTo("Libs/Inside.zfb", "Lib.zfb"),
                             linkTo("Libs/English/Up.txt", "../Lib.zfb"),
                             linkTo("Libs/Outside.zfb", "/etc/passwd"), linkTo("Libs/Spare", "/")}),
                    {"PKG/Libs/Outside.zfb: error: a link that leads out of the package folder, "
                     "to \"/etc/passwd\": the installer copies nothing through it",
                     "PKG/Libs/Spare: error: a link that leads out of the package folder, to "
                     "\"/\": the installer copies nothing through it",
                     "PKG/Libs/Spare: warning: no language of the description names this folder: "
                     "it is never installed"},
                    1},
        PackageCase{"NamesOfTheInstallersWorkFolder",
                    package(kDescription, {{"Libs/~velkinstall2.WORK/", ""},
                                           {"Libs/English/~VelkInstall.work", "x"},
                                           {"Libs/English/~VELKI~1.WOR", "x"},
                                           {"Libs/~VelkInstall.work.txt", "x"}}),
                    {"PKG/Libs/English/~VELKI~1.WOR: error: named like the installer's work "
                     "folder in the target (\"~VelkInstall.work\"): the installer refuses the "
                     "package",
                     "PKG/Libs/English/~VelkInstall.work: error: named like the installer's work "
                     "folder in the target (\"~VelkInstall.work\"): the installer refuses the "
                     "package",
                     "PKG/Libs/~velkinstall2.WORK: error: named like the installer's work folder "
                     "in the target (\"~VelkInstall.work\"): the installer refuses the package",
                     "PKG/Libs/~velkinstall2.WORK: warning: no language of the description names "
                     "this folder: it is never installed"},
                    1},
        PackageCase{"DescriptionLargerThanAnyDescription",
                    {larger("Libs/Lib.lin")},
                    {"PKG/Libs/Lib.lin: error: the package description is larger than 16 MiB, "
                     "far more than it can be meant to be: it is not read"},
                    1},
        PackageCase{"LogoThatIsAPipe",
                    package(kDescription, {namedPipe("logo.bmp")}),
                    {"PKG/logo.bmp: error: the logo is not a regular file (a pipe or a device, "
                     "say): it is not read"},
                    1},
        // A name cannot forge a finding of its own or steer the terminal.
        PackageCase{"NamesPrintedEscapedOnOneLine",
                    package(kDescription, {{"Libs/x\nforged.lin:1: error: planted", "x"},
                                           {"Libs/English/\x1B[31mred.txt", "x"},
                                           {"Libs/caf\xE9.txt", "x"}}),
                    {"PKG/Libs/English/\\x1B[31mred.txt: error: the name holds the control "
                     "character 1B, which Windows does not allow in names",
                     "PKG/Libs/caf\\xE9.txt: warning: the name is not UTF-8: Windows, which names "
                     "files in Unicode, cannot take it as it is",
                     "PKG/Libs/x\\x0Aforged.lin:1: error: planted: error: the name holds the "
                     "control character 0A, which Windows does not allow in names"},
                    1},
        PackageCase{"DescriptionInUtf16NamingALanguageInAnyScript",
                    {{"Libs/Lib.lin", testing::utf16("[Languages]\nCount=1\nLang0=\xD0\xB4\n"
                                                     "[Dorvan]\nDorvan5_14=Yes\n",
                                                     false)},
                     {"Libs/\xD0\x94/Help.txt", "help"}},
                    {},
                    0}),
    [](const auto& info) { return std::string(info.param.name); });

// The command line: options, and a folder that is not there.
struct CommandCase {
    const char* name;
    std::vector<std::string> arguments; // "PKG": a package with one warning
    std::string out;                    // a prefix of what it prints ("PKG" as above)
    std::string err;                    // likewise
    int exitCode;
};

class CommandLine : public ::testing::TestWithParam<CommandCase> {};

TEST_P(CommandLine, PrintsAndExits) {
    const TemporaryFolder folder;
    folder.write(package(kDescription, {{"Libs/empty.txt", ""}}));
    std::vector<std::string> arguments = GetParam().arguments;
    for (std::string& argument : arguments) {
        if (argument == "PKG") {
            argument = folder.path();
        }
    }
    const Outcome result = run(arguments);
    const auto withFolder = [&](const std::string& text) {
        return text.starts_with("PKG") ? folder.path() + text.substr(3) : text;
    };
    EXPECT_TRUE(result.out.starts_with(withFolder(GetParam().out))) << result.out;
    EXPECT_TRUE(result.err.starts_with(withFolder(GetParam().err))) << result.err;
    if (GetParam().out.empty()) {
        EXPECT_EQ(result.out, "");
    }
    if (GetParam().err.empty()) {
        EXPECT_EQ(result.err, "");
    }
    EXPECT_EQ(result.exitCode, GetParam().exitCode);
}

const std::string kWarning = "PKG/Libs/empty.txt: warning: empty file: it is never installed or "
                             "listed\n";
const std::string kUsage = "usage: velkcheck [--werror] PACKAGE_FOLDER\n";

INSTANTIATE_TEST_SUITE_P(
    Checker, CommandLine,
    ::testing::Values(
        CommandCase{"ExamplePackageIsClean", {VELK_EXAMPLE_PACKAGE}, "", "", 0},
        CommandCase{"WarningsAlonePass", {"PKG"}, kWarning, "", 0},
        CommandCase{"WarningsFailUnderWerror", {"--werror", "PKG"}, kWarning, "", 1},
        CommandCase{"Help", {"--help"}, kUsage + "Checks a library package", "", 0},
        CommandCase{
            "NoFolder", {"--werror"}, "", "velkcheck: no package folder given\n" + kUsage, 2},
        CommandCase{"TwoFolders",
                    {"PKG", "PKG"},
                    "",
                    "velkcheck: more than one package folder given\n" + kUsage,
                    2},
        CommandCase{"UnknownOption",
                    {"--strict", "PKG"},
                    "",
                    "velkcheck: unknown option --strict\n" + kUsage,
                    2},
        CommandCase{
            "MissingFolder", {"PKG/nothing"}, "", "velkcheck: PKG/nothing: no such folder\n", 2},
        CommandCase{"FolderThatIsAFile",
                    {"PKG/Libs/Lib.lin"},
                    "",
                    "velkcheck: PKG/Libs/Lib.lin: no such folder\n",
                    2}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace velk::check

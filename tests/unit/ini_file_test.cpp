#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <ostream>
#include <string>
#include <vector>

#include "package/ini_file.h"
#include "platform/app_error.h"
#include "tests/unit/fakes/fake_file_system.h"

namespace velk {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

using Strings = std::vector<std::string>;

TEST(IniFileLines, EndAtCrLfOrCrLfAndAreTrimmedAndNormalised) {
    const IniFile ini = IniFile::parse("[S]\r\na=1\rb=2\nc=3\r\n"
                                       " \t d \t=\t 4 \x01\x1f\n"
                                       "e = x = y \n"
                                       "  just text  \n"
                                       "=orphan\n");
    EXPECT_THAT(ini.sectionLines("S"),
                ElementsAre("a=1", "b=2", "c=3", "d=4", "e=x = y", "just text", "=orphan"));
    EXPECT_THAT(ini.sectionKeys("S"), ElementsAre("a", "b", "c", "d", "e", "", ""));
    EXPECT_EQ(ini.readString("S", "e", "-"), "x = y");
    EXPECT_EQ(ini.readString("S", "", "-"), "orphan");
    // A line without "=" has no value to read, even under its own text.
    EXPECT_EQ(ini.readString("S", "just text", "-"), "-");
}

TEST(IniFileLines, SkipsCommentsEmptyLinesAndEverythingBeforeTheFirstSection) {
    const IniFile ini = IniFile::parse("Name=outside\n"
                                       "; [Fake]\n"
                                       "[S]\n"
                                       "\n"
                                       "   ; indented comment\n"
                                       "\t\n"
                                       "a;b=1\n"
                                       "k=;not a comment\n");
    EXPECT_THAT(ini.sectionLines("Fake"), IsEmpty());
    EXPECT_THAT(ini.sectionLines("S"), ElementsAre("a;b=1", "k=;not a comment"));
    EXPECT_EQ(ini.readString("S", "Name", "none"), "none");
}

TEST(IniFileLines, ANulCharacterEndsTheText) {
    using namespace std::string_literals;
    const std::string text = "[S]\na=1\n\0b=2\n[T]\nc=3\n"s;
    const IniFile ini = IniFile::parse(text);
    EXPECT_THAT(ini.sectionLines("S"), ElementsAre("a=1"));
    EXPECT_THAT(ini.sectionLines("T"), IsEmpty());
}

TEST(IniFileLines, BytesAboveSevenBitsAreKeptNotTrimmed) {
    const IniFile ini = IniFile::parse("[S]\n\xE4k\xFC=\xE9t\xE9\xA0\n");
    EXPECT_EQ(ini.readString("S", "\xE4k\xFC", "-"), "\xE9t\xE9\xA0");
}

// Records what parse tells, one text a section or line: "number:[name]" or "number:key=value"
// ("number:text" for a line without "=").
class RecordingObserver : public IniObserver {
  public:
    void section(std::string_view name, int line) override {
        told.push_back(std::to_string(line) + ":[" + std::string(name) + "]");
    }
    void entry(std::string_view key, std::string_view value, bool hasValue, int line) override {
        told.push_back(std::to_string(line) + ":" + std::string(key) + (hasValue ? "=" : "") +
                       std::string(value));
    }
    Strings told;
};

TEST(IniFileLines, AreToldWithTheirNumbersCrLfEndingOneLine) {
    RecordingObserver observer;
    IniFile::parse("before=1\r\n[S]\r\n; note\r\n\r\n a = 1 \rtext\n[T]\n\nb=\r\n", &observer);
    EXPECT_THAT(observer.told, ElementsAre("2:[S]", "5:a=1", "6:text", "7:[T]", "9:b="));
}

TEST(IniFileSections, NamesAreTrimmedAndMatchedIgnoringCase) {
    const IniFile ini = IniFile::parse("  [  Ab Out \t]  \nName=x\n[]\nk=empty name\n");
    EXPECT_EQ(ini.readString("ab out", "NAME", "-"), "x");
    EXPECT_EQ(ini.readString("AB OUT", "name", "-"), "x");
    EXPECT_EQ(ini.readString("", "k", "-"), "empty name");
    EXPECT_EQ(ini.readString("About", "Name", "-"), "-");
}

TEST(IniFileSections, ABracketLineThatIsNotClosedIsAnOrdinaryLine) {
    const IniFile ini = IniFile::parse("[S]\n[T\n[\n]\nx]=1\n");
    EXPECT_THAT(ini.sectionLines("S"), ElementsAre("[T", "[", "]", "x]=1"));
    EXPECT_THAT(ini.sectionLines("T"), IsEmpty());
}

TEST(IniFileSections, TheLastSectionOfANameReplacesTheEarlierOnesWhole) {
    const IniFile ini = IniFile::parse("[About]\nName=first\nAuthor=me\n"
                                       "[Other]\nk=v\n"
                                       "[ABOUT]\nName=second\n"
                                       "[about]\nVersion=3\n");
    EXPECT_EQ(ini.readString("About", "Name", "none"), "none");
    EXPECT_EQ(ini.readString("About", "Author", "none"), "none");
    EXPECT_EQ(ini.readString("About", "Version", "none"), "3");
    EXPECT_THAT(ini.sectionLines("About"), ElementsAre("Version=3"));
    EXPECT_EQ(ini.readString("Other", "k", "none"), "v");
}

TEST(IniFileSections, AMissingSectionListsNothing) {
    const IniFile ini = IniFile::parse("[S]\na=1\n");
    EXPECT_THAT(ini.sectionLines("Missing"), IsEmpty());
    EXPECT_THAT(ini.sectionKeys("Missing"), IsEmpty());
    EXPECT_THAT(IniFile().sectionLines("S"), IsEmpty());
}

TEST(IniFileKeys, ReadingGivesTheLastOccurrenceListingGivesEveryLine) {
    const IniFile ini = IniFile::parse("[About]\nName=one\nNAME = two\nname\n");
    EXPECT_EQ(ini.readString("About", "Name", "-"), "two");
    EXPECT_THAT(ini.sectionLines("About"), ElementsAre("Name=one", "NAME=two", "name"));
    EXPECT_THAT(ini.sectionKeys("About"), ElementsAre("Name", "NAME", ""));
}

TEST(IniFileKeys, AnEmptyValueIsNotTheDefaultAMissingKeyIs) {
    const IniFile ini = IniFile::parse("[About]\nVersion=\nCount = \t\n");
    EXPECT_EQ(ini.readString("About", "Version", "1.0.0"), "");
    EXPECT_EQ(ini.readString("About", "Author", "anon"), "anon");
    EXPECT_EQ(ini.readString("Nowhere", "Version", "1.0.0"), "1.0.0");
    // An integer key present but empty does give the default: "" is not a number.
    EXPECT_EQ(ini.readInteger("About", "Count", 42), 42);
}

struct IntegerCase {
    const char* text;
    int expected; // with the default 777
};

[[maybe_unused]] std::ostream& operator<<(std::ostream& out, const IntegerCase& c) {
    return out << '"' << c.text << '"';
}

class IniFileIntegers : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(IniFileIntegers, ConvertsTheValueOrGivesTheDefault) {
    const IniFile ini = IniFile::parse(std::string("[N]\nv=") + GetParam().text + "\n");
    EXPECT_EQ(ini.readInteger("N", "v", 777), GetParam().expected) << "text: " << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Forms, IniFileIntegers,
    ::testing::Values(
        // Decimal, with an optional sign, within the signed 32-bit range.
        IntegerCase{"0", 0}, IntegerCase{"42", 42}, IntegerCase{"+42", 42}, IntegerCase{"-42", -42},
        IntegerCase{"007", 7}, IntegerCase{"2147483647", 2147483647},
        IntegerCase{"-2147483648", -2147483647 - 1}, IntegerCase{"2147483648", 777},
        IntegerCase{"-2147483649", 777}, IntegerCase{"99999999999999999999", 777},
        // Hexadecimal behind "$", "0x", "0X", "x" or "X": a 32-bit pattern.
        IntegerCase{"$10", 16}, IntegerCase{"0x1f", 31}, IntegerCase{"0X1F", 31},
        IntegerCase{"x10", 16}, IntegerCase{"X10", 16}, IntegerCase{"$7FFFFFFF", 2147483647},
        IntegerCase{"$80000000", -2147483647 - 1}, IntegerCase{"$FFFFFFFF", -1},
        IntegerCase{"$000000010", 16}, IntegerCase{"$100000000", 777},
        // A sign in front of hexadecimal negates the pattern.
        IntegerCase{"-$10", -16}, IntegerCase{"+0x10", 16}, IntegerCase{"-x1", -1},
        IntegerCase{"-$FFFFFFFF", 1}, IntegerCase{"-$80000000", -2147483647 - 1},
        // Everything else.
        IntegerCase{"", 777}, IntegerCase{"four", 777}, IntegerCase{"4 2", 777},
        IntegerCase{"4x", 777}, IntegerCase{"$", 777}, IntegerCase{"0x", 777},
        IntegerCase{"x", 777}, IntegerCase{"-", 777}, IntegerCase{"+", 777},
        IntegerCase{"--1", 777}, IntegerCase{"$-1", 777}, IntegerCase{"$G", 777},
        IntegerCase{"00x10", 777}, IntegerCase{"0x0x1", 777}, IntegerCase{"1.5", 777},
        IntegerCase{"1e3", 777}, IntegerCase{"- 1", 777}));

TEST(IniFileRead, AMissingFileOrAFolderReadsAsEmpty) {
    testing::FakeFileSystem files;
    files.addFolder("C:\\pkg\\Libs\\dir.lin");
    EXPECT_THAT(IniFile::read(files, "C:\\pkg\\Libs\\none.lin").sectionLines("S"), IsEmpty());
    EXPECT_THAT(IniFile::read(files, "C:\\pkg\\Libs\\dir.lin").sectionLines("S"), IsEmpty());
    EXPECT_THAT(IniFile::read(files, "").sectionLines("S"), IsEmpty());
}

// A relative path goes to the file system as it is, which takes it from the process's current
// folder.
TEST(IniFileRead, ReadsAFileRelativeToTheCurrentFolder) {
    testing::FakeFileSystem files;
    files.addFile("C:\\x.lin", "[S]\nk=v\n");
    EXPECT_EQ(IniFile::read(files, "x.lin").readString("S", "k", "-"), "v");
}

TEST(IniFileRead, AFileThatCannotBeOpenedIsAnError) {
    testing::FakeFileSystem files;
    files.addFile("C:\\pkg\\Libs\\x.lin", "[S]\nk=v\n").unreadable = true;
    try {
        IniFile::read(files, "C:\\pkg\\Libs\\x.lin");
        FAIL() << "no error";
    } catch (const AppError& error) {
        EXPECT_THAT(error.what(),
                    ::testing::StartsWith("Cannot open file \"C:\\pkg\\Libs\\x.lin\"."));
    }
}

// Garbage must neither crash nor take long. Quadratic behaviour would take minutes here; a linear
// parse takes about 0.2 s optimised and 2 to 5 s in a sanitizer debug build.
TEST(IniFileRobustness, ManySectionsAndHugeLinesParseQuickly) {
    std::string text;
    for (int i = 0; i < 100000; ++i) {
        text += "[s" + std::to_string(i) + "]\rk=" + std::to_string(i) + "\r";
        text += "[Same]\rk=" + std::to_string(i) + "\r";
    }
    text += "[Big]\n" + std::string(1 << 20, 'a') + "=" + std::string(1 << 20, '\x01') + "b\n";
    text += std::string(1 << 20, '[');

    const auto start = std::chrono::steady_clock::now();
    const IniFile ini = IniFile::parse(text);
    const auto elapsed = std::chrono::steady_clock::now() - start;

    EXPECT_EQ(ini.readString("s99999", "k", "-"), "99999");
    EXPECT_EQ(ini.readString("SAME", "k", "-"), "99999");
    EXPECT_THAT(ini.sectionLines("Same"), ElementsAre("k=99999"));
    EXPECT_EQ(ini.readString("Big", std::string(1 << 20, 'A'), "-"), "b");
    EXPECT_EQ(ini.sectionLines("Big").size(), 2U);
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count(), 15000);
}

TEST(IniFileRobustness, BinaryBytesAroundASectionLeaveItReadable) {
    std::string garbage;
    for (int i = 0; i < 256 * 64; ++i) {
        garbage += static_cast<char>((i * 7919) % 255 + 1); // every byte but NUL
    }
    const IniFile ini = IniFile::parse(garbage + "\n[Known]\nk=v\n[Next]\n" + garbage);
    EXPECT_EQ(ini.readString("Known", "k", "-"), "v");
    EXPECT_THAT(ini.sectionLines("Known"), ElementsAre("k=v"));
}

} // namespace
} // namespace velk

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "platform/text_decoding.h"
#include "tests/unit/encoded_text.h"
#include "tests/unit/fakes/fake_file_system.h"

namespace velk {
namespace {

using namespace std::string_literals; // bytes with NULs inside

struct DecodingCase {
    const char* name;
    std::string bytes;
    std::string text; // UTF-8
};

[[maybe_unused]] std::ostream& operator<<(std::ostream& out, const DecodingCase& c) {
    return out << c.name;
}

class TextDecoding : public ::testing::TestWithParam<DecodingCase> {};

std::string caseName(const ::testing::TestParamInfo<DecodingCase>& info) {
    return info.param.name;
}

TEST_P(TextDecoding, GivesUtf8) {
    testing::FakeFileSystem files; // Windows-1252 as the ANSI code page
    EXPECT_EQ(decodeText(GetParam().bytes, files), GetParam().text);
}

// "Пакет" in UTF-8 and in UTF-16.
const std::string kPaket = "\xD0\x9F\xD0\xB0\xD0\xBA\xD0\xB5\xD1\x82";
const std::string kPaketLe = "\x1F\x04\x30\x04\x3A\x04\x35\x04\x42\x04";
const std::string kPaketBe = "\x04\x1F\x04\x30\x04\x3A\x04\x35\x04\x42";
const std::string kFffd = "\xEF\xBF\xBD";
const std::string kLong = "[About]\r\nName=" + kPaket +
                          " Bl\xC3\xB6"
                          "cke\r\nAuthor=x\r\n" +
                          kPaket;

INSTANTIATE_TEST_SUITE_P(
    Marks, TextDecoding,
    ::testing::Values(
        DecodingCase{"utf8_mark", "\xEF\xBB\xBF[About]\nName=" + kPaket, "[About]\nName=" + kPaket},
        DecodingCase{"utf16le_mark", "\xFF\xFE[\0A\0]\0\n\0"s + kPaketLe, "[A]\n" + kPaket},
        DecodingCase{"utf16be_mark", "\xFE\xFF\0[\0A\0]\0\n"s + kPaketBe, "[A]\n" + kPaket},
        DecodingCase{"mark_alone", "\xEF\xBB\xBF", ""},
        // Longer runs of ASCII between other characters.
        DecodingCase{"utf16le_long", testing::utf16(kLong, false), kLong},
        DecodingCase{"utf16be_long", testing::utf16(kLong, true), kLong},
        // A pair of surrogates is one character; G clef U+1D11E.
        DecodingCase{"utf16le_pair", "\xFF\xFE\x34\xD8\x1E\xDD"s, "\xF0\x9D\x84\x9E"}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    Unmarked, TextDecoding,
    ::testing::Values(
        DecodingCase{"ascii", "[About]\r\nName=Blocks\r\n", "[About]\r\nName=Blocks\r\n"},
        DecodingCase{"utf8", "Name=" + kPaket + " \xE5\xBA\x93 \xF0\x9F\x98\x80",
                     "Name=" + kPaket + " \xE5\xBA\x93 \xF0\x9F\x98\x80"},
        DecodingCase{"windows_1252", "Name=Regelung f\xFCr Anf\xE4nger \x80",
                     "Name=Regelung f\xC3\xBCr Anf\xC3\xA4nger \xE2\x82\xAC"},
        // One bad byte after long valid UTF-8 makes the whole text Windows-1252.
        DecodingCase{"utf8_then_1252", std::string(40, 'a') + "\xC3\xA4\xE4",
                     std::string(40, 'a') + "\xC3\x83\xC2\xA4\xC3\xA4"},
        // Overlong forms, encoded surrogates, code points above U+10FFFF, a cut sequence.
        DecodingCase{"overlong", "\xC0\xAF", "\xC3\x80\xC2\xAF"},
        DecodingCase{"surrogate", "\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},
        DecodingCase{"above_10ffff", "\xF4\x90\x80\x80",
                     "\xC3\xB4\xC2\x90\xE2\x82\xAC\xE2\x82\xAC"},
        DecodingCase{"cut_sequence", "ab\xE2\x82", "ab\xC3\xA2\xE2\x80\x9A"},
        DecodingCase{"empty", "", ""}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    BadInput, TextDecoding,
    ::testing::Values(
        // Each malformed piece after a UTF-8 mark is one U+FFFD.
        DecodingCase{"utf8_mark_malformed",
                     "\xEF\xBB\xBF"
                     "a\xFF"
                     "b\xE2\x82"
                     "c\xED\xA0\x80",
                     "a" + kFffd + "b" + kFffd + "c" + kFffd + kFffd + kFffd},
        DecodingCase{"utf8_mark_cut_at_end", "\xEF\xBB\xBFx\xF0\x9F\x98", "x" + kFffd},
        DecodingCase{"utf16le_lone_high",
                     "\xFF\xFE\x34\xD8"
                     "a\0"s,
                     kFffd + "a"},
        DecodingCase{"utf16le_lone_low",
                     "\xFF\xFE"
                     "a\0\x1E\xDD"s,
                     "a" + kFffd},
        DecodingCase{"utf16be_high_at_end", "\xFE\xFF\0a\xD8\x34"s, "a" + kFffd},
        DecodingCase{"utf16le_odd_length",
                     "\xFF\xFE"
                     "a\0b"s,
                     "a" + kFffd},
        DecodingCase{"utf16be_odd_length", "\xFE\xFF\0a\0"s, "a" + kFffd},
        // A NUL ends the text in every encoding, before anything bad behind it.
        DecodingCase{"nul_ascii", "[S]\nk=v\0[T]\n"s, "[S]\nk=v"},
        DecodingCase{"nul_before_1252", "k=" + kPaket + "\0\xE4"s, "k=" + kPaket},
        DecodingCase{"nul_in_1252", "k=\xE4\0\xE4"s, "k=\xC3\xA4"},
        DecodingCase{"nul_after_utf8_mark", "\xEF\xBB\xBFk\0\xFF"s, "k"},
        DecodingCase{"nul_in_a_utf16le_run",
                     "\xFF\xFE"
                     "a\0b\0c\0\0\0d\0e\0f\0g\0h\0"s,
                     "abc"},
        DecodingCase{"nul_in_utf16le", "\xFF\xFEk\0\0\0v\0"s, "k"},
        DecodingCase{"nul_in_utf16be_odd", "\xFE\xFF\0k\0\0\0"s, "k"}),
    caseName);

} // namespace
} // namespace velk

#include "platform/text_decoding.h"

#include <cstdint>
#include <cstring>
#include <string_view>
#include <utility>

#include "platform/file_system.h"

namespace velk {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";
constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD in UTF-8

// One UTF-8 sequence at the start of `text`: its length when it is well formed, else the length
// of its longest malformed beginning (at least 1), which one U+FFFD replaces.
struct Sequence {
    std::size_t length;
    bool valid;
};

Sequence utf8Sequence(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    if (lead < 0x80) {
        return {1, true};
    }
    // The second byte's range rules out overlong forms, surrogates and code points above
    // U+10FFFF; every later byte lies in 80..BF.
    std::size_t trailing = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        trailing = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        trailing = 2;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        trailing = 3;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return {1, false};
    }
    for (std::size_t i = 1; i <= trailing; ++i) {
        if (i >= text.size()) {
            return {i, false};
        }
        const auto next = static_cast<unsigned char>(text[i]);
        if (next < low || next > high) {
            return {i, false};
        }
        low = 0x80;
        high = 0xBF;
    }
    return {trailing + 1, true};
}

} // namespace

bool isValidUtf8(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        // Runs of ASCII, which most descriptions are, 32 bytes at a time.
        while (pos + 32 <= text.size()) {
            std::uint64_t words[4];
            std::memcpy(words, text.data() + pos, 32);
            if (((words[0] | words[1] | words[2] | words[3]) & 0x8080808080808080u) != 0) {
                break;
            }
            pos += 32;
        }
        if (pos == text.size()) {
            break;
        }
        const Sequence sequence = utf8Sequence(text.substr(pos));
        if (!sequence.valid) {
            return false;
        }
        pos += sequence.length;
    }
    return true;
}

namespace {

std::string repairedUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const Sequence sequence = utf8Sequence(text.substr(pos));
        out.append(sequence.valid ? text.substr(pos, sequence.length) : kReplacement);
        pos += sequence.length;
    }
    return out;
}

// Writes the character's UTF-8 form at `out` and returns the position after it.
char* putUtf8(char* out, char32_t c) {
    if (c < 0x80) {
        *out++ = static_cast<char>(c);
    } else if (c < 0x800) {
        *out++ = static_cast<char>(0xC0 | (c >> 6));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *out++ = static_cast<char>(0xE0 | (c >> 12));
        *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *out++ = static_cast<char>(0xF0 | (c >> 18));
        *out++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

std::string fromUtf16(std::string_view bytes, bool bigEndian) {
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = in + (bytes.size() & ~std::size_t{1});
    const int high = bigEndian ? 0 : 1; // index of the high byte within a unit
    const int low = 1 - high;
    // At most three UTF-8 bytes per unit (a pair of units gives four), and three for the
    // replacement of an odd byte at the end.
    std::string text(bytes.size() / 2 * 3 + 3, '\0');
    char* const begin = text.data();
    char* out = begin;
    bool ended = false; // by a NUL
    while (in != end) {
        char32_t c = static_cast<char32_t>((in[high] << 8) | in[low]);
        in += 2;
        if (c < 0x80) {
            if (c == 0) {
                ended = true;
                break;
            }
            *out++ = static_cast<char>(c);
            continue;
        }
        if (c >= 0xD800 && c <= 0xDBFF && in != end) {
            const auto next = static_cast<char32_t>((in[high] << 8) | in[low]);
            if (next >= 0xDC00 && next <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (next - 0xDC00);
                in += 2;
            }
        }
        out = putUtf8(out, c >= 0xD800 && c <= 0xDFFF ? 0xFFFD : c);
    }
    if (!ended && bytes.size() % 2 != 0) {
        out = putUtf8(out, 0xFFFD); // half a unit at the end
    }
    text.resize(static_cast<std::size_t>(out - begin));
    return text;
}

// The text up to its first NUL byte.
void cutAtNul(std::string& text) {
    const auto nul = text.find('\0');
    if (nul != std::string::npos) {
        text.resize(nul);
    }
}

} // namespace

TextEncoding detectEncoding(std::string_view bytes) {
    if (bytes.starts_with(kUtf16LeMark)) {
        return TextEncoding::Utf16LittleEndian;
    }
    if (bytes.starts_with(kUtf16BeMark)) {
        return TextEncoding::Utf16BigEndian;
    }
    if (bytes.starts_with(kUtf8Mark)) {
        return TextEncoding::Utf8Marked;
    }
    return isValidUtf8(bytes.substr(0, bytes.find('\0'))) ? TextEncoding::Utf8 : TextEncoding::Ansi;
}

std::string decodeText(std::string bytes, FileSystem& files) {
    return decodeText(std::move(bytes),
                      [&files](std::string_view text) { return files.ansiToUtf8(text); });
}

std::string decodeText(std::string bytes, const AnsiDecoder& ansiToUtf8) {
    switch (detectEncoding(bytes)) {
    case TextEncoding::Utf16LittleEndian:
        return fromUtf16(std::string_view(bytes).substr(kUtf16LeMark.size()), false);
    case TextEncoding::Utf16BigEndian:
        return fromUtf16(std::string_view(bytes).substr(kUtf16BeMark.size()), true);
    case TextEncoding::Utf8Marked:
        bytes.erase(0, kUtf8Mark.size());
        cutAtNul(bytes);
        return isValidUtf8(bytes) ? bytes : repairedUtf8(bytes);
    case TextEncoding::Utf8:
        cutAtNul(bytes);
        return bytes;
    case TextEncoding::Ansi:
        cutAtNul(bytes);
        return ansiToUtf8(bytes);
    }
    return bytes;
}

void appendUtf8(std::string& out, char32_t c) {
    char buffer[4];
    out.append(buffer, putUtf8(buffer, c));
}

std::string windows1252ToUtf8(std::string_view text) {
    // From 80 to 9F; from A0 on the code page equals Unicode.
    static constexpr char16_t k80To9F[32] = {
        0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
    std::string out;
    out.reserve(text.size() * 2);
    for (const char byte : text) {
        const auto b = static_cast<unsigned char>(byte);
        appendUtf8(out, b >= 0x80 && b <= 0x9F ? k80To9F[b - 0x80] : b);
    }
    return out;
}

} // namespace velk

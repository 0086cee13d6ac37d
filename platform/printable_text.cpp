#include "platform/printable_text.h"

#include <cstdio>

#include "platform/text_decoding.h"

namespace velk {

namespace {

// The length of the UTF-8 sequence that a lead byte starts (1 for a byte that starts none).
std::size_t sequenceLength(unsigned char lead) {
    return lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
}

// Characters that must not reach a terminal or a log as they are: the control characters
// (U+0000 to U+001F, U+007F to U+009F) and the line and paragraph separators U+2028, U+2029.
bool breaksTheLine(std::string_view character) {
    const auto lead = static_cast<unsigned char>(character[0]);
    if (character.size() == 1) {
        return lead < 0x20 || lead == 0x7F;
    }
    const auto second = static_cast<unsigned char>(character[1]);
    return (lead == 0xC2 && second < 0xA0) || character == "\xE2\x80\xA8" ||
           character == "\xE2\x80\xA9";
}

} // namespace

std::string printable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    const auto escape = [&out](std::string_view bytes) {
        for (const char byte : bytes) {
            char code[5];
            std::snprintf(code, sizeof code, "\\x%02X", static_cast<unsigned char>(byte));
            out += code;
        }
    };
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t length = sequenceLength(static_cast<unsigned char>(text[pos]));
        const std::string_view character = text.substr(pos, length);
        if (character.size() != length || !isValidUtf8(character)) {
            escape(text.substr(pos, 1)); // a byte that is not UTF-8
            ++pos;
            continue;
        }
        if (breaksTheLine(character)) {
            escape(character);
        } else {
            out += character;
        }
        pos += length;
    }
    return out;
}

} // namespace velk

#pragma once

#include <string_view>

namespace velk {

// The letters a to z as A to Z; every other character as it is.
inline char upperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Whole-string comparison that ignores the case of the letters A to Z only; every other
// character must match exactly.
inline bool sameTextAscii(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::string_view::size_type i = 0; i < a.size(); ++i) {
        if (upperAscii(a[i]) != upperAscii(b[i])) {
            return false;
        }
    }
    return true;
}

} // namespace velk

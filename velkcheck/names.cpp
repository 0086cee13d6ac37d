#include "velkcheck/names.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "package/text_compare.h"
#include "platform/long_path.h"

namespace velk::check {

namespace {

// Edit distance with letter case ignored, a swap of neighbours being one edit.
std::size_t distance(std::string_view a, std::string_view b) {
    const std::size_t n = b.size();
    std::vector<std::size_t> before(n + 1), previous(n + 1), current(n + 1);
    for (std::size_t j = 0; j <= n; ++j) {
        previous[j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        current[0] = i;
        for (std::size_t j = 1; j <= n; ++j) {
            const bool same = upperAscii(a[i - 1]) == upperAscii(b[j - 1]);
            current[j] =
                std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + (same ? 0 : 1)});
            if (i > 1 && j > 1 && upperAscii(a[i - 1]) == upperAscii(b[j - 2]) &&
                upperAscii(a[i - 2]) == upperAscii(b[j - 1])) {
                current[j] = std::min(current[j], before[j - 2] + 1);
            }
        }
        before.swap(previous);
        previous.swap(current);
    }
    return previous[n];
}

} // namespace

std::optional<std::string> windowsNameProblem(std::string_view name) {
    if (name.back() == '.' || name.back() == ' ') {
        return "the name ends in a dot or blank, which Windows drops";
    }
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20) {
            char code[8];
            std::snprintf(code, sizeof code, "%02X", byte);
            return std::string("the name holds the control character ") + code +
                   ", which Windows does not allow in names";
        }
        if (std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos) {
            return "the name holds " + quoted(std::string(1, c)) +
                   ", which Windows does not allow in names";
        }
    }
    // "NUL.txt" and "NUL .txt" name the device too; the name is told as written.
    if (!deviceName(name).empty()) {
        std::string_view stem = name.substr(0, name.find('.'));
        while (!stem.empty() && stem.back() == ' ') {
            stem.remove_suffix(1);
        }
        return quoted(stem) + " is a device name on Windows, with any extension";
    }
    return std::nullopt;
}

std::vector<std::string> nearestNames(std::string_view name,
                                      const std::vector<std::string>& candidates) {
    // Up to a third of the name may be wrong, at least one character and at most two.
    const std::size_t allowed = std::clamp<std::size_t>(name.size() / 3, 1, 2);
    std::vector<std::string> nearest;
    std::size_t best = allowed;
    for (const std::string& candidate : candidates) {
        const std::size_t d = distance(name, candidate);
        if (d < best) {
            nearest.clear();
            best = d;
        }
        if (d == best) {
            nearest.push_back(candidate);
        }
    }
    return nearest;
}

std::string quoted(std::string_view text) {
    std::string out = "\"";
    out.append(text);
    out += '"';
    return out;
}

} // namespace velk::check

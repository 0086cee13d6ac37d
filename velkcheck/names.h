#pragma once
// Names as Windows takes them, and the nearest of a set of names for a misspelt one.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velk::check {

// Why Windows cannot create a file or folder of this name, or treats it specially; nothing for
// a plain name. Device names (CON, NUL, COM1 ... with any extension), a trailing dot or blank,
// the characters < > : " / \ | ? * and control characters.
std::optional<std::string> windowsNameProblem(std::string_view name);

// The candidates nearest to `name` (letter case ignored, a swap of two neighbours counting as
// one edit), when they are near enough to be a misspelling of it; several when they are equally
// near, in the candidates' order; none when no candidate is near.
std::vector<std::string> nearestNames(std::string_view name,
                                      const std::vector<std::string>& candidates);

// A text quoted for a finding: "name".
std::string quoted(std::string_view text);

} // namespace velk::check

#pragma once
// A command line's arguments taken apart as Windows takes them apart (CommandLineToArgvW), with
// one difference that no Windows path can notice: a quoted value that ends in a backslash keeps
// it.

#include <string>
#include <string_view>
#include <vector>

namespace velk {

// Splits `arguments` (what follows the program's name, UTF-8) by the system's rules: blanks and
// tabs between arguments, double quotes around blanks (a quote opens or closes; of quotes in a
// row inside quotes every third is one character), 2n backslashes before a quote are n and the
// quote opens or closes, 2n+1 are n and a quote character, other backslashes are themselves.
// The difference: inside quotes, a quote after 2n+1 backslashes that ends the argument (a blank
// or the end follows) closes it and keeps its backslash, n+1 in all, so that /dir="C:\Libs\"
// reads C:\Libs\ and /dir="C:\" reads C:\, as whoever wrote them meant (the system's rules
// make them C:\Libs" and C:", and join the arguments after them). No Windows path holds a quote.
std::vector<std::string> splitArguments(std::string_view arguments);

} // namespace velk

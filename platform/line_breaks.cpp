#include "platform/line_breaks.h"

namespace velk {

namespace {

constexpr const char* kContinued = "    "; // the indent of a broken line's continuation

} // namespace

std::vector<std::string> breakLine(const std::string& line, int maxWidth,
                                   const std::function<int(const std::string&)>& width) {
    std::vector<std::string> lines;
    std::string indent;
    std::string rest = line;
    while (width(indent + rest) > maxWidth) {
        std::size_t fitting = std::string::npos;
        std::size_t first = std::string::npos;
        int depth = 0;
        for (std::size_t i = 0; i < rest.size(); ++i) {
            if (rest[i] == '[') {
                ++depth;
            } else if (rest[i] == ']' && depth > 0) {
                --depth;
            } else if (rest[i] == ' ' && depth == 0 && i > 0 && rest[i - 1] != ' ') {
                first = first == std::string::npos ? i : first;
                if (width(indent + rest.substr(0, i)) > maxWidth) {
                    break;
                }
                fitting = i;
            }
        }
        const std::size_t at = fitting != std::string::npos ? fitting : first;
        const std::size_t next =
            at != std::string::npos ? rest.find_first_not_of(' ', at) : std::string::npos;
        if (next == std::string::npos) {
            break;
        }
        lines.push_back(indent + rest.substr(0, at));
        rest = rest.substr(next);
        indent = kContinued;
    }
    lines.push_back(indent + rest);
    return lines;
}

} // namespace velk

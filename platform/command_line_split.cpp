#include "platform/command_line_split.h"

namespace velk {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

} // namespace

std::vector<std::string> splitArguments(std::string_view arguments) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    std::size_t at = 0;
    while (at < arguments.size()) {
        const char c = arguments[at];
        if (isBlank(c) && !quoted) {
            if (inWord) {
                words.push_back(std::move(word));
                word.clear();
                inWord = false;
            }
            ++at;
            continue;
        }
        inWord = true;
        if (c == '\\') {
            std::size_t end = arguments.find_first_not_of('\\', at);
            end = end == std::string_view::npos ? arguments.size() : end;
            const std::size_t count = end - at;
            at = end;
            if (end == arguments.size() || arguments[end] != '"') {
                word.append(count, '\\');
            } else if (count % 2 == 0) {
                word.append(count / 2, '\\'); // the quote opens or closes, below
            } else {
                const bool closes =
                    quoted && (end + 1 == arguments.size() || isBlank(arguments[end + 1]));
                word.append(count / 2 + (closes ? 1 : 0), '\\');
                if (closes) {
                    quoted = false;
                } else {
                    word += '"';
                }
                at = end + 1;
            }
            continue;
        }
        if (c == '"') {
            // The quote opens or closes; each quote in a row after it counts on, and the third
            // counted is a quote character that closes.
            int quotes = quoted ? 2 : 1;
            for (++at; at < arguments.size() && arguments[at] == '"'; ++at) {
                if (++quotes == 3) {
                    word += '"';
                    quotes = 0;
                }
            }
            quoted = quotes == 1;
            continue;
        }
        word += c;
        ++at;
    }
    if (inWord) {
        words.push_back(std::move(word));
    }
    return words;
}

} // namespace velk

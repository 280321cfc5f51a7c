#include "export/SourceLines.h"

std::vector<std::string> SplitSourceLines(std::string_view Text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < Text.size()) {
        char c = Text[i];
        if (c == '\r' || c == '\n') {
            lines.emplace_back(Text.substr(start, i - start));
            if (c == '\r' && i + 1 < Text.size() && Text[i + 1] == '\n')
                ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < Text.size())
        lines.emplace_back(Text.substr(start));
    return lines;
}

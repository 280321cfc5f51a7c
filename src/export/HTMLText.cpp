#include "export/HTMLText.h"

std::string RenderHTMLDescription(std::string_view Description)
{
    std::string out;
    out.reserve(Description.size());
    for (std::size_t i = 0; i < Description.size(); ++i) {
        if (Description[i] == '\r' && i + 1 < Description.size() && Description[i + 1] == '\n') {
            out += "<br>";
            ++i;
        } else {
            out += Description[i];
        }
    }
    return out;
}

std::string RenderHTMLSource(std::string_view Source)
{
    std::string out;
    out.reserve(Source.size());
    for (char c : Source)
        if (c != '\r')
            out += c;
    return out;
}

std::string HTMLAnchorText(int N)
{
    return "<a name=\"" + std::to_string(N) + "\">";
}

std::string HTMLLinkText(int N)
{
    return "<a href=\"#" + std::to_string(N) + "\">";
}

#include "export/HTMLText.h"

std::string RenderHTMLDescription(std::string_view Description)
{
    std::string out;
    out.reserve(Description.size());
    for (std::size_t i; (i = Description.find("\r\n")) != std::string_view::npos; Description.remove_prefix(i + 2)) {
        out.append(Description.data(), i);
        out += "<br>";
    }
    out.append(Description.data(), Description.size());
    return out;
}

std::string RenderHTMLSource(std::string_view Source)
{
    std::string out;
    out.reserve(Source.size());
    for (std::size_t i; (i = Source.find('\r')) != std::string_view::npos; Source.remove_prefix(i + 1))
        out.append(Source.data(), i);
    out.append(Source.data(), Source.size());
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

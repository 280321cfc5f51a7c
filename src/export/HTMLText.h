#pragma once
// Texts of the HTML documentation that do not come from the templates.
#include <string>
#include <string_view>

// A description as written into the HTML: every CR LF pair becomes "<br>";
// everything else (mark-up characters, a lone CR or LF) passes unchanged.
std::string RenderHTMLDescription(std::string_view Description);

// A rebuilt view or procedure source as written into the HTML: every CR
// removed.
std::string RenderHTMLSource(std::string_view Source);

// "<a name=\"N\">", the anchor of the N-th TOC entry, written into the
// document.
std::string HTMLAnchorText(int N);
// "<a href=\"#N\">", the link to that anchor, written into the TOC.
std::string HTMLLinkText(int N);
// What closes an anchor or link.
inline constexpr std::string_view HTMLAnchorEnd = "</a>";

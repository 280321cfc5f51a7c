#pragma once
// Splitting a rebuilt source into the lines of the XML document.
#include <string>
#include <string_view>
#include <vector>

// The lines of Text, broken at each CR LF pair, each lone CR and each lone
// LF. A break at the very end gives no empty last line; an empty line
// inside gives an empty entry. An empty text has no lines.
std::vector<std::string> SplitSourceLines(std::string_view Text);

#pragma once
// Parameter markers. The server accepts only positional "?" markers; the
// statements of this system name their parameters (":NAME", "?NAME").
// MakeServerSQL turns a text with named markers into the server text and
// the list of names, one per marker in order. Plain statements and the
// dataset layer's assembly use the same function.
#include "db/IB_Text.h"

#include <string>
#include <string_view>

namespace varnel::db {

struct TIB_ServerSQL {
    std::string Text;          // the text with every marker replaced by "?"
    TIB_StringList ParamNames; // one name per marker, in order
};

// Copies `text` character by character. String literals, quoted
// identifiers and comments ("/* */" and "--" to the end of the line) are
// copied unchanged. Outside them "?" (always) or `paramChar` (only with
// paramCheck) starts a marker: "?" is written in its place and the
// characters up to the next delimiter form the name; a named marker is
// followed by " /* NAME */ " in the server text. A marker without a name
// is named "PRM_" + its zero-based number among all markers and gets no
// comment. A name may contain double-quoted parts (":"A B"").
TIB_ServerSQL MakeServerSQL(std::string_view text, char paramChar = ':', bool paramCheck = true);

// True for the characters that end a parameter name.
bool IsMarkerDelimiter(char c);

// 1-based position of the first `c` at or after the 1-based position
// `from`, outside double-quoted identifiers; 0 when there is none.
int getLitSafePos(char c, std::string_view text, int from = 1);

} // namespace varnel::db

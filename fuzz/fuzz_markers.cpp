// Conversion of named parameter markers into the server's "?" markers:
// statement texts come from settings files and user input.
// Input: the first byte picks the marker character and whether it is
// checked, the rest is the statement.
// Properties: the server text holds exactly one "?" marker per name and
// converts to itself (no marker is hidden in or freed from a comment or a
// literal); getLitSafePos stays inside the text.
#include "FuzzSupport.h"
#include "db/IB_Markers.h"

#include <string>

using namespace varnel::db;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    static constexpr char kMarkerChars[] = {':', '?', '@', '$'};
    const char paramChar = kMarkerChars[data[0] & 3];
    const bool paramCheck = (data[0] & 4) == 0;
    const std::string_view text = fuzz::Text(data + 1, size - 1);

    const TIB_ServerSQL server = MakeServerSQL(text, paramChar, paramCheck);
    const TIB_ServerSQL again = MakeServerSQL(server.Text, paramChar, false);
    FUZZ_CHECK(again.Text == server.Text, server.Text);
    FUZZ_CHECK(again.ParamNames.size() == server.ParamNames.size(), server.Text);

    const int from = static_cast<int>(data[0] >> 3);
    const int pos = getLitSafePos(paramChar, text, from);
    FUZZ_CHECK(pos == 0 || (pos >= from && pos <= static_cast<int>(text.size()) && text[pos - 1] == paramChar),
               text);
    return 0;
}

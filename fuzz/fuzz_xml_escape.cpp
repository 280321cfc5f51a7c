// XML escaping of character data: descriptions and names from the database
// go into the XML catalogue as they are.
// Properties: the escaped text holds no mark-up character and every "&"
// starts one of the five entities; undoing them gives the input back.
#include "FuzzSupport.h"
#include "xml/XMLFile.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text = fuzz::Text(data, size);
    const std::string escaped = TXMLFile::Escape(text);
    FUZZ_CHECK(escaped.find_first_of("<>'\"") == std::string::npos, escaped);

    static constexpr std::pair<std::string_view, char> kEntities[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&apos;", '\''}, {"&quot;", '"'}};
    std::string back;
    for (std::size_t i = 0; i < escaped.size();) {
        if (escaped[i] != '&') {
            back += escaped[i++];
            continue;
        }
        bool known = false;
        for (const auto& [entity, c] : kEntities)
            if (escaped.compare(i, entity.size(), entity) == 0) {
                back += c;
                i += entity.size();
                known = true;
                break;
            }
        FUZZ_CHECK(known, escaped);
    }
    FUZZ_CHECK(back == text, escaped);
    return 0;
}

// The split of a database string into protocol, server and path (and the
// alias rule of DatabaseName): connection strings come from settings files
// and the command line.
// Properties: setting a database string never fails and composes back to
// a string that splits into the same parts; an alias is accepted only as
// an identifier and then leaves the parts alone.
#include "FuzzSupport.h"
#include "db/IB_Connection.h"

#include <string>

using namespace varnel::db;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(fuzz::Text(data, size));
    TIB_Connection c;
    c.SetParams({"SERVER=keep", "PROTOCOL=TCP/IP", "PATH=old.fdb"});
    const std::string before = c.Database();
    try {
        c.SetDatabaseName(text);
    } catch (const EIB_ConnectionError&) {
        // Only an alias that is no identifier is refused, and it changes nothing.
        FUZZ_CHECK(text.find_first_of(".\\:@") == std::string::npos, text);
        FUZZ_CHECK(c.Database() == before, text);
        return 0;
    }
    if (text.find_first_of(".\\:@") == std::string::npos) {
        FUZZ_CHECK(c.Database() == before, text);
        return 0;
    }
    const std::string composed = c.Database();
    FUZZ_CHECK(c.DatabaseName() == composed, text);
    // The parts are the text's own: composing gives the text back (a
    // NetBEUI string without a path gains the backslash before it).
    FUZZ_CHECK(composed == text || (c.Protocol() == TIB_Protocol::cpNetBEUI && composed == text + "\\"), text);

    TIB_Connection d;
    d.SetDatabase(composed);
    FUZZ_CHECK(d.Protocol() == c.Protocol(), text);
    FUZZ_CHECK(d.Server() == c.Server() || c.Protocol() == TIB_Protocol::cpLocal, text);
    FUZZ_CHECK(d.Path() == c.Path(), text);
    return 0;
}

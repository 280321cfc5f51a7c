// varnel-bench-floor: the least an export has to do, on the raw client API.
//
//   varnel-bench-floor DATABASE [--no-types-join] [--verify] [--verbose]
//                      [--charset NAME]
//
// Walks the six export queries of the catalogue with the texts the
// catalogue sends (master-link condition, system-data filter and package
// conditions added, explicit ASC), in the same master/detail pattern: each
// detail is prepared once and executed again for every master row with the
// master's name as its parameter. Every column of every row is read, every
// description and source blob whole.
//
// --no-types-join runs the field and parameter queries without the LEFT
// JOIN of RDB$TYPES and reads the type names once per connection instead.
// --verify adds a checksum of all values read (the same for both variants
// and for varnel-bench-bulk on the same database); --verbose adds the time
// of each section; --charset connects with another character set than the
// main window's ISO8859_1 (to see what the server's transliteration of
// the text blobs costs). The last line on stdout is the tally.
#include "rawclient.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

using namespace bench;

namespace {

const std::string kTableSQL = lines({
    "SELECT RDB$RELATION_NAME",
    "     , RDB$DESCRIPTION",
    "FROM RDB$RELATIONS",
    "WHERE RDB$VIEW_BLR IS NULL",
    "  AND RDB$SYSTEM_FLAG = 0",
    "ORDER BY RDB$RELATION_NAME ASC",
});

// The field SQL, and without the join of RDB$TYPES (whose type name is
// then looked up by the type code).
constexpr int kFieldTypeColumn = 5;     // f.RDB$FIELD_TYPE
constexpr int kFieldTypeNameColumn = 7; // t.RDB$TYPE_NAME, with the join
const std::string kFieldSQL = lines({
    "SELECT rf.RDB$RELATION_NAME",
    "     , rf.RDB$FIELD_NAME",
    "     , rf.RDB$NULL_FLAG",
    "     , rf.RDB$DESCRIPTION",
    "     , f.RDB$NULL_FLAG AS NULL_FLAG2",
    "     , f.RDB$FIELD_TYPE",
    "     , f.RDB$FIELD_SUB_TYPE",
    "     , t.RDB$TYPE_NAME",
    "     , f.RDB$FIELD_LENGTH",
    "     , f.RDB$FIELD_PRECISION",
    "     , f.RDB$FIELD_SCALE",
    "FROM RDB$RELATION_FIELDS rf",
    "LEFT JOIN RDB$FIELDS f ON f.RDB$FIELD_NAME = rf.RDB$FIELD_SOURCE",
    "LEFT JOIN RDB$TYPES t ON t.RDB$TYPE = f.RDB$FIELD_TYPE",
    "AND t.RDB$FIELD_NAME = 'RDB$FIELD_TYPE'",
    "WHERE rf.RDB$RELATION_NAME=? /* MLNK_RDB$RELATION_NAME_0 */ ",
    "ORDER BY RDB$FIELD_POSITION ASC",
});
const std::string kFieldSQLNoTypes = lines({
    "SELECT rf.RDB$RELATION_NAME",
    "     , rf.RDB$FIELD_NAME",
    "     , rf.RDB$NULL_FLAG",
    "     , rf.RDB$DESCRIPTION",
    "     , f.RDB$NULL_FLAG AS NULL_FLAG2",
    "     , f.RDB$FIELD_TYPE",
    "     , f.RDB$FIELD_SUB_TYPE",
    "     , f.RDB$FIELD_LENGTH",
    "     , f.RDB$FIELD_PRECISION",
    "     , f.RDB$FIELD_SCALE",
    "FROM RDB$RELATION_FIELDS rf",
    "LEFT JOIN RDB$FIELDS f ON f.RDB$FIELD_NAME = rf.RDB$FIELD_SOURCE",
    "WHERE rf.RDB$RELATION_NAME=? /* MLNK_RDB$RELATION_NAME_0 */ ",
    "ORDER BY RDB$FIELD_POSITION ASC",
});

const std::string kViewSQL = lines({
    "SELECT RDB$RELATION_NAME",
    "     , RDB$DESCRIPTION",
    "     , RDB$VIEW_SOURCE",
    "FROM RDB$RELATIONS",
    "WHERE RDB$VIEW_BLR IS NOT NULL",
    "ORDER BY RDB$RELATION_NAME ASC",
});

const std::string kViewFieldSQL = lines({
    "SELECT rf.RDB$RELATION_NAME",
    "     , rf.RDB$FIELD_NAME",
    "     , vr.RDB$RELATION_NAME AS BASE_TABLE",
    "     , rf.RDB$BASE_FIELD",
    "     , rf.RDB$DESCRIPTION",
    "FROM RDB$RELATION_FIELDS rf",
    "LEFT JOIN RDB$VIEW_RELATIONS vr ON vr.RDB$VIEW_NAME = rf.RDB$RELATION_NAME",
    "AND rf.RDB$VIEW_CONTEXT = vr.RDB$VIEW_CONTEXT",
    "WHERE rf.RDB$RELATION_NAME=? /* MLNK_RDB$RELATION_NAME_0 */ ",
    "ORDER BY RDB$FIELD_POSITION ASC",
});

const std::string kProcedureSQL = lines({
    "SELECT RDB$PROCEDURE_NAME",
    "     , RDB$DESCRIPTION",
    "     , RDB$PROCEDURE_SOURCE",
    "FROM RDB$PROCEDURES",
    "WHERE RDB$PACKAGE_NAME IS NULL",
    "ORDER BY RDB$PROCEDURE_NAME ASC",
});

constexpr int kParamTypeColumn = 4;     // f.RDB$FIELD_TYPE
constexpr int kParamTypeNameColumn = 6; // t.RDB$TYPE_NAME, with the join
const std::string kParamSQL = lines({
    "SELECT p.RDB$PARAMETER_NAME",
    "     , p.RDB$PARAMETER_TYPE",
    "     , p.RDB$DESCRIPTION",
    "     , p.RDB$PROCEDURE_NAME",
    "     , f.RDB$FIELD_TYPE",
    "     , f.RDB$FIELD_SUB_TYPE",
    "     , t.RDB$TYPE_NAME",
    "     , f.RDB$FIELD_LENGTH",
    "     , f.RDB$FIELD_PRECISION",
    "     , f.RDB$FIELD_SCALE",
    "FROM RDB$PROCEDURE_PARAMETERS p",
    "LEFT JOIN RDB$FIELDS f ON f.RDB$FIELD_NAME = p.RDB$FIELD_SOURCE",
    "LEFT JOIN RDB$TYPES t ON t.RDB$TYPE = f.RDB$FIELD_TYPE",
    "AND t.RDB$FIELD_NAME = 'RDB$FIELD_TYPE'",
    "WHERE RDB$PROCEDURE_NAME=? /* MLNK_RDB$PROCEDURE_NAME_0 */ ",
    "  AND p.RDB$PACKAGE_NAME IS NULL",
    "ORDER BY RDB$PARAMETER_TYPE ASC",
    "       , RDB$PARAMETER_NUMBER ASC",
});
const std::string kParamSQLNoTypes = lines({
    "SELECT p.RDB$PARAMETER_NAME",
    "     , p.RDB$PARAMETER_TYPE",
    "     , p.RDB$DESCRIPTION",
    "     , p.RDB$PROCEDURE_NAME",
    "     , f.RDB$FIELD_TYPE",
    "     , f.RDB$FIELD_SUB_TYPE",
    "     , f.RDB$FIELD_LENGTH",
    "     , f.RDB$FIELD_PRECISION",
    "     , f.RDB$FIELD_SCALE",
    "FROM RDB$PROCEDURE_PARAMETERS p",
    "LEFT JOIN RDB$FIELDS f ON f.RDB$FIELD_NAME = p.RDB$FIELD_SOURCE",
    "WHERE RDB$PROCEDURE_NAME=? /* MLNK_RDB$PROCEDURE_NAME_0 */ ",
    "  AND p.RDB$PACKAGE_NAME IS NULL",
    "ORDER BY RDB$PARAMETER_TYPE ASC",
    "       , RDB$PARAMETER_NUMBER ASC",
});

struct Counts {
    long masters = 0;
    long details = 0;
};

// One master/detail section. With type names given (no join), the detail
// row is read with the looked-up name in the place of the joined column.
Counts section(Connection& c, const std::string& masterSQL, const std::string& detailSQL, Tally& tally,
               const TypeNames* types = nullptr, int typeColumn = 0, int nameColumn = 0)
{
    Counts n;
    Cursor master(c, masterSQL);
    Cursor detail(c, detailSQL);
    master.execute();
    while (master.fetch()) {
        ++n.masters;
        master.readAll(tally);
        detail.execute(master.bytes(0));
        while (detail.fetch()) {
            ++n.details;
            if (types) {
                detail.read(0, nameColumn, tally);
                types->read(detail, typeColumn, tally);
                detail.read(nameColumn, detail.columns(), tally);
            } else {
                detail.readAll(tally);
            }
        }
    }
    return n;
}

int usage()
{
    std::fputs("usage: varnel-bench-floor DATABASE [--no-types-join] [--verify] [--verbose]\n"
               "                          [--charset NAME]\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    std::string database, charset = "ISO8859_1";
    bool join = true, verify = false, verbose = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--no-types-join") == 0)
            join = false;
        else if (std::strcmp(argv[i], "--charset") == 0 && i + 1 < argc)
            charset = argv[++i];
        else if (std::strcmp(argv[i], "--verify") == 0)
            verify = true;
        else if (std::strcmp(argv[i], "--verbose") == 0)
            verbose = true;
        else if (argv[i][0] == '-' || !database.empty())
            return usage();
        else
            database = argv[i];
    }
    if (database.empty())
        return usage();
    try {
        auto start = std::chrono::steady_clock::now();
        Tally tally(verify);
        Connection c(database, charset);
        double tAttach = millisecondsSince(start);
        std::optional<TypeNames> types;
        if (!join)
            types.emplace(c);
        Counts tables = join ? section(c, kTableSQL, kFieldSQL, tally)
                             : section(c, kTableSQL, kFieldSQLNoTypes, tally, &*types, kFieldTypeColumn,
                                       kFieldTypeNameColumn);
        double tTables = millisecondsSince(start);
        Counts views = section(c, kViewSQL, kViewFieldSQL, tally);
        double tViews = millisecondsSince(start);
        Counts procedures = join ? section(c, kProcedureSQL, kParamSQL, tally)
                                 : section(c, kProcedureSQL, kParamSQLNoTypes, tally, &*types, kParamTypeColumn,
                                           kParamTypeNameColumn);
        double tProcedures = millisecondsSince(start);
        c.close();
        double tTotal = millisecondsSince(start);
        if (verbose)
            std::printf("ms: attach=%.1f tables=%.1f views=%.1f procedures=%.1f detach=%.1f\n", tAttach,
                        tTables - tAttach, tViews - tTables, tProcedures - tViews, tTotal - tProcedures);
        std::printf("floor %s: tables=%ld fields=%ld views=%ld viewfields=%ld procedures=%ld parameters=%ld "
                    "values=%llu blobs=%llu blobbytes=%llu",
                    join ? "types-join" : "no-types-join", tables.masters, tables.details, views.masters,
                    views.details, procedures.masters, procedures.details,
                    static_cast<unsigned long long>(tally.values()), static_cast<unsigned long long>(tally.blobs()),
                    static_cast<unsigned long long>(tally.blobBytes()));
        if (verify)
            std::printf(" checksum=%016llx", static_cast<unsigned long long>(tally.checksum()));
        std::printf("\n");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "varnel-bench-floor: %s\n", e.what());
        return 1;
    }
    return 0;
}

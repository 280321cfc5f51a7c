// varnel-bench-bulk: the same data as the floor, fetched with one query
// per section (tables with their fields, views with their fields,
// procedures with their parameters): what the transfer itself costs.
//
//   varnel-bench-bulk DATABASE [--verify] [--verbose] [--charset NAME]
//
// Every column is read, every description and source blob whole, each
// once; the type names are read once per connection, not joined. The
// tally and the checksum equal the floor's on the same database. Options
// as for varnel-bench-floor.
#include "rawclient.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

using namespace bench;

namespace {

// Each section is one query: a row per master (its sort key -1, its
// detail columns null) and a row per detail (its master's columns null),
// ordered by master name and then the detail's own order. A plain join
// would repeat the master's description on every detail row, and the
// server transliterates a text blob into the connection character set on
// every row it fetches with it, so the join would pay for the master
// blobs twenty times over.
// Column layout: 0 the master's name, then SORT_KEYS sort keys, then the
// master's other columns, then the detail's columns (the floor's detail
// query without the type name, which is looked up by the type code).

const std::string kTablesSQL = lines({
    "SELECT r.RDB$RELATION_NAME AS MASTER_NAME",
    "     , -1 AS SORT_KEY",
    "     , r.RDB$DESCRIPTION AS MASTER_DESCRIPTION",
    "     , NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL",
    "FROM RDB$RELATIONS r",
    "WHERE r.RDB$VIEW_BLR IS NULL",
    "  AND r.RDB$SYSTEM_FLAG = 0",
    "UNION ALL",
    "SELECT rf.RDB$RELATION_NAME",
    "     , rf.RDB$FIELD_POSITION",
    "     , NULL",
    "     , rf.RDB$RELATION_NAME",
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
    "JOIN RDB$RELATIONS r ON r.RDB$RELATION_NAME = rf.RDB$RELATION_NAME",
    "LEFT JOIN RDB$FIELDS f ON f.RDB$FIELD_NAME = rf.RDB$FIELD_SOURCE",
    "WHERE r.RDB$VIEW_BLR IS NULL",
    "  AND r.RDB$SYSTEM_FLAG = 0",
    "ORDER BY 1, 2",
});

const std::string kViewsSQL = lines({
    "SELECT r.RDB$RELATION_NAME AS MASTER_NAME",
    "     , -1 AS SORT_KEY",
    "     , r.RDB$DESCRIPTION AS MASTER_DESCRIPTION",
    "     , r.RDB$VIEW_SOURCE AS MASTER_SOURCE",
    "     , NULL, NULL, NULL, NULL, NULL",
    "FROM RDB$RELATIONS r",
    "WHERE r.RDB$VIEW_BLR IS NOT NULL",
    "UNION ALL",
    "SELECT rf.RDB$RELATION_NAME",
    "     , rf.RDB$FIELD_POSITION",
    "     , NULL",
    "     , NULL",
    "     , rf.RDB$RELATION_NAME",
    "     , rf.RDB$FIELD_NAME",
    "     , vr.RDB$RELATION_NAME AS BASE_TABLE",
    "     , rf.RDB$BASE_FIELD",
    "     , rf.RDB$DESCRIPTION",
    "FROM RDB$RELATION_FIELDS rf",
    "JOIN RDB$RELATIONS r ON r.RDB$RELATION_NAME = rf.RDB$RELATION_NAME",
    "LEFT JOIN RDB$VIEW_RELATIONS vr ON vr.RDB$VIEW_NAME = rf.RDB$RELATION_NAME",
    "AND rf.RDB$VIEW_CONTEXT = vr.RDB$VIEW_CONTEXT",
    "WHERE r.RDB$VIEW_BLR IS NOT NULL",
    "ORDER BY 1, 2",
});

const std::string kProceduresSQL = lines({
    "SELECT pr.RDB$PROCEDURE_NAME AS MASTER_NAME",
    "     , -1 AS SORT_KEY",
    "     , -1 AS SORT_KEY2",
    "     , pr.RDB$DESCRIPTION AS MASTER_DESCRIPTION",
    "     , pr.RDB$PROCEDURE_SOURCE AS MASTER_SOURCE",
    "     , NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL",
    "FROM RDB$PROCEDURES pr",
    "WHERE pr.RDB$PACKAGE_NAME IS NULL",
    "UNION ALL",
    "SELECT p.RDB$PROCEDURE_NAME",
    "     , p.RDB$PARAMETER_TYPE",
    "     , p.RDB$PARAMETER_NUMBER",
    "     , NULL",
    "     , NULL",
    "     , p.RDB$PARAMETER_NAME",
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
    "WHERE p.RDB$PACKAGE_NAME IS NULL",
    "ORDER BY 1, 2, 3",
});

struct Layout {
    int sortKeys;      // columns after the name that only order the rows
    int masterColumns; // the master's columns after those, name not counted
    int typeColumn;    // within the detail's columns: the type code
    int nameColumn;    // where the floor's detail query has the type name; -1: none
};

struct Counts {
    long masters = 0;
    long details = 0;
};

// One section: master rows are read as the floor reads its master query
// (name, then the other columns), detail rows as its detail query.
Counts section(Connection& c, const std::string& sql, const Layout& l, const TypeNames& types, Tally& tally)
{
    Counts n;
    Cursor q(c, sql);
    q.execute();
    const int masterFrom = 1 + l.sortKeys;
    const int detailFrom = masterFrom + l.masterColumns;
    while (q.fetch()) {
        if (q.isNull(detailFrom)) {
            ++n.masters;
            q.read(0, tally);
            q.read(masterFrom, detailFrom, tally);
        } else {
            ++n.details;
            if (l.nameColumn < 0) {
                q.read(detailFrom, q.columns(), tally);
            } else {
                q.read(detailFrom, detailFrom + l.nameColumn, tally);
                types.read(q, detailFrom + l.typeColumn, tally);
                q.read(detailFrom + l.nameColumn, q.columns(), tally);
            }
        }
    }
    return n;
}

int usage()
{
    std::fputs("usage: varnel-bench-bulk DATABASE [--verify] [--verbose] [--charset NAME]\n", stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    std::string database, charset = "ISO8859_1";
    bool verify = false, verbose = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--verify") == 0)
            verify = true;
        else if (std::strcmp(argv[i], "--charset") == 0 && i + 1 < argc)
            charset = argv[++i];
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
        TypeNames types(c);
        // Field rows: type code at 5, the floor's type name at 7; parameter
        // rows: 4 and 6.
        Counts tables = section(c, kTablesSQL, {1, 1, 5, 7}, types, tally);
        double tTables = millisecondsSince(start);
        Counts views = section(c, kViewsSQL, {1, 2, 0, -1}, types, tally);
        double tViews = millisecondsSince(start);
        Counts procedures = section(c, kProceduresSQL, {2, 2, 4, 6}, types, tally);
        double tProcedures = millisecondsSince(start);
        c.close();
        double tTotal = millisecondsSince(start);
        if (verbose)
            std::printf("ms: attach=%.1f tables=%.1f views=%.1f procedures=%.1f detach=%.1f\n", tAttach,
                        tTables - tAttach, tViews - tTables, tProcedures - tViews, tTotal - tProcedures);
        std::printf("bulk: tables=%ld fields=%ld views=%ld viewfields=%ld procedures=%ld parameters=%ld "
                    "values=%llu blobs=%llu blobbytes=%llu",
                    tables.masters, tables.details, views.masters,
                    views.details, procedures.masters, procedures.details,
                    static_cast<unsigned long long>(tally.values()), static_cast<unsigned long long>(tally.blobs()),
                    static_cast<unsigned long long>(tally.blobBytes()));
        if (verify)
            std::printf(" checksum=%016llx", static_cast<unsigned long long>(tally.checksum()));
        std::printf("\n");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "varnel-bench-bulk: %s\n", e.what());
        return 1;
    }
    return 0;
}

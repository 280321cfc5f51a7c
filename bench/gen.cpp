// varnel-bench-gen: writes the isql script that builds the benchmark
// catalogue.
//
//   varnel-bench-gen --db PATH --create > create.sql
//   varnel-bench-gen --db PATH [--tables N] [--columns N] [--views N]
//                    [--procedures N] [--seed N] [--chunk N] > fill.sql
//
// The first script creates the empty database at PATH (UTF8, dialect 3);
// the second (ISO-8859-1, run by isql-fb with the embedded engine) fills
// it with a few domains, N tables of mixed column types,
// views of 10 columns over them and procedures with 4 input and 4 output
// parameters. Every table, view, procedure, column and parameter gets a
// description: 20 to 400 characters, one in a hundred about 10,000, with
// Latin-1 letters and apostrophes, some of several lines. isql drops CR
// from the lines it reads, so a description with CR LF is written through
// EXECUTE STATEMENT with ASCII_CHAR(13). The same options give the same
// script byte for byte: the random numbers come from our own generator,
// not from the standard library's distributions, which differ between
// implementations.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

// splitmix64: small, fast and the same everywhere.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull) {}
    uint64_t next()
    {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [lo, hi].
    int range(int lo, int hi) { return lo + static_cast<int>(next() % static_cast<uint64_t>(hi - lo + 1)); }
    // True once in n.
    bool oneIn(int n) { return next() % static_cast<uint64_t>(n) == 0; }
    template <class T> const T& pick(const std::vector<T>& v) { return v[next() % v.size()]; }

private:
    uint64_t state_;
};

// The source is UTF-8; the script is ISO-8859-1.
std::string latin1(std::string_view utf8)
{
    std::string out;
    for (size_t i = 0; i < utf8.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c >= 0xC2 && c <= 0xC3 && i + 1 < utf8.size()) {
            out += static_cast<char>(((c & 0x1F) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F));
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::vector<std::string> latin1All(std::initializer_list<const char*> words)
{
    std::vector<std::string> out;
    for (const char* w : words)
        out.push_back(latin1(w));
    return out;
}

const std::vector<std::string> kNameWords = {
    "ACCOUNT", "ADDRESS", "AGENT", "ASSET", "BALANCE", "BATCH", "BILLING", "BRANCH", "BUDGET", "CARRIER",
    "CATALOG", "CHANNEL", "CLAIM", "CLIENT", "CONTRACT", "COST", "CREDIT", "CUSTOMER", "DEPOT", "DEVICE",
    "DISCOUNT", "DOCUMENT", "EMPLOYEE", "EVENT", "FREIGHT", "GRADE", "INVOICE", "ITEM", "JOURNAL", "LEDGER",
    "LICENSE", "LOCATION", "MEMBER", "MESSAGE", "METER", "ORDER", "PARCEL", "PAYMENT", "PERIOD", "PRICE",
    "PRODUCT", "PROJECT", "QUOTA", "RATE", "RECEIPT", "REGION", "RETURN", "ROUTE", "SALES", "SCHEDULE",
    "SEGMENT", "SERVICE", "SHIPMENT", "STOCK", "SUPPLIER", "TARIFF", "TAX", "TICKET", "TRANSFER", "VENDOR",
    "VOUCHER", "WAREHOUSE", "ZONE"};

const std::vector<std::string> kTextWords = latin1All({
    "the", "a", "of", "for", "each", "every", "and", "or", "when", "after", "before", "with", "without",
    "record", "row", "value", "amount", "customer", "order", "invoice", "payment", "date", "time", "status",
    "code", "number", "reference", "key", "total", "balance", "stock", "price", "rate", "account", "ledger",
    "is", "are", "holds", "keeps", "stores", "marks", "tells", "gives", "shows", "counts", "set", "filled",
    "by", "from", "into", "the", "nightly", "import", "clerk", "system", "report", "audit", "branch", "region",
    "Größe", "Straße", "Müller", "Zürich", "café", "déjà", "façade", "naïve", "señor", "Ærø", "Øre",
    "Übersicht", "Ändern", "Grüße", "Bücher", "Ölpreis", "élève", "garçon", "piñata", "Ångström",
    "it's", "O'Brien", "customer's", "don't", "never", "only", "also", "still", "usually", "rarely",
    "NULL", "zero", "negative", "positive", "unique", "optional", "mandatory", "legacy", "archived",
    "see", "note:", "cf.", "(old)", "e.g.", "i.e.", "<b>bold</b>", "&", "\"quoted\"", "50%", "#42"});

// A description of 20 to 400 characters, one in a hundred about 10,000;
// about one in eight of several lines (CR LF between sentences), a few
// of those ending in CR LF as a memo leaves them.
std::string description(Random& rng)
{
    const int target = rng.oneIn(100) ? rng.range(9500, 10500) : rng.range(20, 400);
    const bool multiLine = rng.oneIn(8);
    std::string text;
    bool sentenceStart = true, lineStart = true;
    while (static_cast<int>(text.size()) < target) {
        std::string word = rng.pick(kTextWords);
        if (sentenceStart && word[0] >= 'a' && word[0] <= 'z')
            word[0] = static_cast<char>(word[0] - 'a' + 'A');
        if (!lineStart)
            text += ' ';
        text += word;
        sentenceStart = lineStart = false;
        if (rng.oneIn(9)) {
            text += '.';
            sentenceStart = true;
            if (multiLine && rng.oneIn(2)) {
                text += "\r\n";
                lineStart = true;
            }
        }
    }
    text.resize(static_cast<size_t>(target));
    // Never end inside a CR LF pair or on a blank.
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r' || text.back() == '\n'))
        text.pop_back();
    if (text.empty() || text.back() != '.')
        text += '.';
    if (multiLine && rng.oneIn(4))
        text += "\r\n";
    return text;
}

std::string quoteLiteral(std::string_view s)
{
    std::string out = "'";
    for (char c : s) {
        out += c;
        if (c == '\'')
            out += '\'';
    }
    out += '\'';
    return out;
}

struct Domain {
    std::string name;
    std::string definition;
    int rowBytes; // room the value takes in a record (UTF8 counts 4 per character)
};

const std::vector<Domain> kDomains = {
    {"D_AMOUNT", "NUMERIC(15,2) NOT NULL", 8},
    {"D_PRICE", "DECIMAL(12,4)", 8},
    {"D_QUANTITY", "INTEGER NOT NULL", 4},
    {"D_FLAG", "BOOLEAN DEFAULT FALSE NOT NULL", 1},
    {"D_CODE", "CHAR(3) NOT NULL", 12},
    {"D_NAME", "VARCHAR(80)", 322},
    {"D_TITLE", "VARCHAR(200) CHARACTER SET ISO8859_1", 202},
    {"D_NOTE", "BLOB SUB_TYPE TEXT", 8},
    {"D_IMAGE", "BLOB SUB_TYPE BINARY SEGMENT SIZE 4096", 8},
    {"D_DAY", "DATE", 4},
    {"D_STAMP", "TIMESTAMP NOT NULL", 8},
    {"D_CLOCK", "TIME", 4},
    {"D_BIGID", "BIGINT NOT NULL", 8},
    {"D_RATIO", "DOUBLE PRECISION", 8},
    {"D_SCORE", "FLOAT", 4},
    {"D_SHORT", "SMALLINT", 2},
    {"D_PERCENT", "NUMERIC(5,2) DEFAULT 0", 4},
    {"D_EMAIL", "VARCHAR(254) NOT NULL", 1018},
    {"D_ZIP", "CHAR(10)", 40},
    {"D_COUNT", "NUMERIC(18,0)", 8},
};

// A column type as written in CREATE TABLE, with the room it takes.
struct ColumnType {
    std::string text;
    int rowBytes;
};

ColumnType columnType(Random& rng)
{
    switch (rng.range(0, 19)) {
    case 0: return {"SMALLINT", 2};
    case 1: case 2: return {"INTEGER", 4};
    case 3: return {"BIGINT", 8};
    case 4: {
        int p = rng.range(4, 18), s = rng.range(0, p < 6 ? p : 6);
        return {"NUMERIC(" + std::to_string(p) + "," + std::to_string(s) + ")", 8};
    }
    case 5: {
        int p = rng.range(2, 18), s = rng.range(0, p < 4 ? p : 4);
        return {"DECIMAL(" + std::to_string(p) + "," + std::to_string(s) + ")", 8};
    }
    case 6: return {"FLOAT", 4};
    case 7: return {"DOUBLE PRECISION", 8};
    case 8: case 9: case 10: {
        int n = rng.pick(std::vector<int>{10, 20, 30, 40, 60, 80, 100, 120, 250});
        return {"VARCHAR(" + std::to_string(n) + ")", 4 * n + 2};
    }
    case 11: {
        int n = rng.range(1, 40);
        return {"CHAR(" + std::to_string(n) + ")", 4 * n};
    }
    case 12: {
        int n = rng.range(1, 60);
        return {"VARCHAR(" + std::to_string(n) + ") CHARACTER SET ISO8859_1", n + 2};
    }
    case 13: return {"DATE", 4};
    case 14: return {"TIME", 4};
    case 15: return {"TIMESTAMP", 8};
    case 16: return {"BLOB SUB_TYPE TEXT", 8};
    case 17: return {"BLOB SUB_TYPE BINARY", 8};
    case 18: return {"BOOLEAN", 1};
    default: return {"TIMESTAMP DEFAULT CURRENT_TIMESTAMP", 8};
    }
}

struct Column {
    std::string name;
    std::string type;  // CREATE TABLE text, NOT NULL included
    std::string param; // the same type for a procedure parameter
};

struct Table {
    std::string name;
    std::vector<Column> columns;
};

struct Options {
    std::string db;
    int tables = 5000;
    int columns = 20;
    int views = 1000;
    int procedures = 1000;
    uint64_t seed = 1;
    int chunk = 100; // objects per commit
    bool createOnly = false;
};

constexpr int kViewColumns = 10;
constexpr int kParameters = 4; // inputs, and as many outputs
constexpr size_t kBlockLimit = 30000; // bytes of one EXECUTE BLOCK

// Writes the script; descriptions with CR LF are collected and written in
// EXECUTE BLOCKs at the end of each chunk.
class Script {
public:
    explicit Script(FILE* out) : out_(out) {}

    void line(const std::string& s)
    {
        std::fwrite(s.data(), 1, s.size(), out_);
        std::fputc('\n', out_);
    }

    // COMMENT ON <what> IS '<text>'; directly, or through EXECUTE
    // STATEMENT when the text holds a CR.
    void comment(const std::string& what, const std::string& text)
    {
        std::string stmt = "COMMENT ON " + what + " IS " + quoteLiteral(text);
        if (text.find('\r') == std::string::npos) {
            line(stmt + ";");
            return;
        }
        // The statement as a string expression: each CR LF becomes
        // ASCII_CHAR(13) || ASCII_CHAR(10) between quoted pieces.
        std::string expr;
        size_t from = 0;
        for (;;) {
            size_t crlf = stmt.find("\r\n", from);
            std::string piece = stmt.substr(from, crlf == std::string::npos ? std::string::npos : crlf - from);
            if (!expr.empty())
                expr += " || ";
            expr += quoteLiteral(piece);
            if (crlf == std::string::npos)
                break;
            expr += " || ASCII_CHAR(13) || ASCII_CHAR(10)";
            from = crlf + 2;
        }
        std::string es = "  EXECUTE STATEMENT " + expr + ";";
        if (!pending_.empty() && pending_.back().size() + es.size() > kBlockLimit)
            pending_.emplace_back();
        if (pending_.empty())
            pending_.emplace_back();
        pending_.back() += es;
        pending_.back() += '\n';
    }

    void commit()
    {
        if (!pending_.empty()) {
            line("SET TERM ^ ;");
            for (const std::string& body : pending_) {
                line("EXECUTE BLOCK AS");
                line("BEGIN");
                std::fwrite(body.data(), 1, body.size(), out_);
                line("END^");
            }
            line("SET TERM ; ^");
            pending_.clear();
        }
        line("COMMIT;");
    }

private:
    FILE* out_;
    std::vector<std::string> pending_;
};

std::string numbered(const std::string& prefix, int n, int width)
{
    std::string digits = std::to_string(n);
    if (static_cast<int>(digits.size()) < width)
        digits.insert(0, static_cast<size_t>(width) - digits.size(), '0');
    return prefix + digits;
}

void generate(const Options& o, FILE* out)
{
    Random rng(o.seed);
    Script s(out);
    s.line("/* Varnel benchmark catalogue: " + std::to_string(o.tables) + " tables of " + std::to_string(o.columns) +
           " columns, " + std::to_string(o.views) + " views, " + std::to_string(o.procedures) +
           " procedures, seed " + std::to_string(o.seed) + ". ISO-8859-1. */");
    s.line("SET NAMES ISO8859_1;");
    s.line("SET SQL DIALECT 3;");
    if (o.createOnly) {
        s.line("CREATE DATABASE " + quoteLiteral(o.db) + " USER 'SYSDBA' DEFAULT CHARACTER SET UTF8;");
        s.line("COMMIT;");
        return;
    }
    s.line("CONNECT " + quoteLiteral(o.db) + " USER 'SYSDBA';");
    s.line("SET AUTODDL OFF;");
    for (const Domain& d : kDomains)
        s.line("CREATE DOMAIN " + d.name + " AS " + d.definition + ";");
    s.commit();

    // Tables.
    std::vector<Table> tables;
    tables.reserve(static_cast<size_t>(o.tables));
    for (int t = 1; t <= o.tables; ++t) {
        Table table;
        table.name = rng.pick(kNameWords) + "_" + rng.pick(kNameWords) + numbered("_", t, 5);
        int rowBytes = 8;
        table.columns.push_back({"ID", "BIGINT NOT NULL", "BIGINT"});
        for (int c = 2; c <= o.columns; ++c) {
            Column col;
            col.name = rng.pick(kNameWords) + numbered("_", c, 2);
            if (rng.oneIn(6)) {
                const Domain& d = rng.pick(kDomains);
                col.type = d.name;
                col.param = d.name;
                rowBytes += d.rowBytes;
            } else {
                ColumnType ct = columnType(rng);
                if (rowBytes + ct.rowBytes > 60000)
                    ct = {"INTEGER", 4};
                rowBytes += ct.rowBytes;
                col.param = ct.text.substr(0, ct.text.find(" DEFAULT"));
                col.type = ct.text;
                if (rng.oneIn(5))
                    col.type += " NOT NULL";
            }
            table.columns.push_back(col);
        }
        std::string ddl = "CREATE TABLE " + table.name + " (\n";
        for (size_t c = 0; c < table.columns.size(); ++c) {
            ddl += "  " + table.columns[c].name + " " + table.columns[c].type;
            ddl += c + 1 < table.columns.size() ? ",\n" : ",\n  PRIMARY KEY (ID)\n";
        }
        ddl += ");";
        s.line(ddl);
        s.comment("TABLE " + table.name, description(rng));
        for (const Column& col : table.columns)
            s.comment("COLUMN " + table.name + "." + col.name, description(rng));
        tables.push_back(std::move(table));
        if (t % o.chunk == 0 || t == o.tables)
            s.commit();
    }

    // Views: 10 columns from one table, or from two joined on ID; about one
    // column in ten an expression (no base column).
    for (int v = 1; v <= o.views && !tables.empty(); ++v) {
        const Table& a = rng.pick(tables);
        const Table* b = rng.oneIn(3) ? &rng.pick(tables) : nullptr;
        if (b == &a)
            b = nullptr;
        std::string name = "V_" + rng.pick(kNameWords) + numbered("_", v, 5);
        std::vector<std::string> names, exprs;
        for (int c = 1; c <= kViewColumns; ++c) {
            names.push_back(numbered("VC_" + rng.pick(kNameWords) + "_", c, 2));
            if (rng.oneIn(10)) {
                exprs.push_back(rng.oneIn(2) ? "a.ID * 2" : "COALESCE(a.ID, 0) + " + std::to_string(c));
            } else {
                const Table& from = (b && rng.oneIn(2)) ? *b : a;
                exprs.push_back(std::string(&from == &a ? "a." : "b.") + rng.pick(from.columns).name);
            }
        }
        std::string ddl = "CREATE VIEW " + name + " (";
        for (size_t i = 0; i < names.size(); ++i)
            ddl += (i ? ", " : "") + names[i];
        ddl += ") AS\nSELECT ";
        for (size_t i = 0; i < exprs.size(); ++i)
            ddl += (i == 0 ? "" : (i % 4 == 0 ? ",\n       " : ", ")) + exprs[i];
        ddl += "\nFROM " + a.name + " a";
        if (b)
            ddl += "\nJOIN " + b->name + " b ON b.ID = a.ID";
        if (rng.oneIn(2))
            ddl += "\nWHERE a.ID > " + std::to_string(rng.range(0, 1000));
        ddl += ";";
        s.line(ddl);
        s.comment("VIEW " + name, description(rng));
        for (const std::string& col : names)
            s.comment("COLUMN " + name + "." + col, description(rng));
        if (v % o.chunk == 0 || v == o.views)
            s.commit();
    }

    // Procedures: 4 inputs, 4 outputs of the same types, a short body.
    for (int p = 1; p <= o.procedures && !tables.empty(); ++p) {
        const Table& t = rng.pick(tables);
        std::string name = "P_" + rng.pick(kNameWords) + numbered("_", p, 5);
        std::vector<std::string> types, ins, outs;
        for (int i = 1; i <= kParameters; ++i) {
            types.push_back(rng.pick(t.columns).param);
            std::string word = rng.pick(kNameWords);
            ins.push_back(numbered("I_" + word + "_", i, 1));
            outs.push_back(numbered("O_" + word + "_", i, 1));
        }
        std::string ddl = "CREATE PROCEDURE " + name + " (";
        for (int i = 0; i < kParameters; ++i)
            ddl += (i ? ", " : "") + ins[i] + " " + types[i];
        ddl += ")\nRETURNS (";
        for (int i = 0; i < kParameters; ++i)
            ddl += (i ? ", " : "") + outs[i] + " " + types[i];
        ddl += ")\nAS\nDECLARE VARIABLE N INTEGER;\nBEGIN\n  /* Copies its inputs and counts the rows of " + t.name + ". */\n";
        for (int i = 0; i < kParameters; ++i)
            ddl += "  " + outs[i] + " = :" + ins[i] + ";\n";
        ddl += "  SELECT COUNT(*) FROM " + t.name + " INTO :N;\n  SUSPEND;\nEND^";
        s.line("SET TERM ^ ;");
        s.line(ddl);
        s.line("SET TERM ; ^");
        s.comment("PROCEDURE " + name, description(rng));
        for (int i = 0; i < kParameters; ++i)
            s.comment("PARAMETER " + name + "." + ins[i], description(rng));
        for (int i = 0; i < kParameters; ++i)
            s.comment("PARAMETER " + name + "." + outs[i], description(rng));
        if (p % o.chunk == 0 || p == o.procedures)
            s.commit();
    }
    s.line("COMMIT;");
}

[[noreturn]] void usage()
{
    std::fputs("usage: varnel-bench-gen --db PATH --create\n"
               "       varnel-bench-gen --db PATH [--tables N] [--columns N] [--views N]\n"
               "                        [--procedures N] [--seed N] [--chunk N]\n",
               stderr);
    std::exit(2);
}

int number(const char* text, int min)
{
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (!end || *end || v < min || v > 1000000)
        usage();
    return static_cast<int>(v);
}

} // namespace

int main(int argc, char** argv)
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--create") {
            o.createOnly = true;
            continue;
        }
        if (i + 1 >= argc)
            usage();
        const char* v = argv[++i];
        if (a == "--db") o.db = v;
        else if (a == "--tables") o.tables = number(v, 0);
        else if (a == "--columns") o.columns = number(v, 1);
        else if (a == "--views") o.views = number(v, 0);
        else if (a == "--procedures") o.procedures = number(v, 0);
        else if (a == "--seed") o.seed = static_cast<uint64_t>(number(v, 0));
        else if (a == "--chunk") o.chunk = number(v, 1);
        else usage();
    }
    if (o.db.empty())
        usage();
    generate(o, stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

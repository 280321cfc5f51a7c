// The little the two floor programs need of the raw client API: one
// attachment with one read-committed transaction, prepared SELECTs with
// their output buffers, blob reading, and the tally of what was read.
// Included only by the benchmark's own programs; they link fbclient.
#pragma once

#include <ibase.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace bench {

// A failed API call, with the server's message lines.
class ApiError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline void check(const ISC_STATUS* status, const char* what)
{
    if (status[0] != 1 || status[1] == 0)
        return;
    std::string message = what;
    char line[1024];
    const ISC_STATUS* p = status;
    while (fb_interpret(line, sizeof line, &p) > 0) {
        message += "\n  ";
        message += line;
    }
    throw ApiError(message);
}

// What was read, counted always; the checksum only when asked for, since
// it touches every byte. It adds a hash per value, so it does not depend
// on how values are grouped into rows: the master/detail walk and the
// joined queries give the same sum for the same data.
class Tally {
public:
    explicit Tally(bool hashing) : hashing_(hashing) {}
    void value(const void* data, size_t size)
    {
        ++values_;
        bytes_ += size;
        if (hashing_)
            sum_ += hash(data, size);
    }
    void null()
    {
        ++values_;
        if (hashing_)
            sum_ += 0x5bd1e9955bd1e995ull;
    }
    void blob(uint64_t size, uint64_t hashed)
    {
        ++values_;
        ++blobs_;
        blobBytes_ += size;
        if (hashing_)
            sum_ += hashed;
    }
    bool hashing() const { return hashing_; }
    static uint64_t hash(const void* data, size_t size, uint64_t h = 0xcbf29ce484222325ull)
    {
        const unsigned char* p = static_cast<const unsigned char*>(data);
        for (size_t i = 0; i < size; ++i) {
            h ^= p[i];
            h *= 0x100000001b3ull;
        }
        return h;
    }
    uint64_t values() const { return values_; }
    uint64_t bytes() const { return bytes_; }
    uint64_t blobs() const { return blobs_; }
    uint64_t blobBytes() const { return blobBytes_; }
    uint64_t checksum() const { return sum_; }

private:
    bool hashing_;
    uint64_t values_ = 0, bytes_ = 0, blobs_ = 0, blobBytes_ = 0, sum_ = 0;
};

// One attachment and its one transaction (read committed, as the main
// window's). The destructor commits and detaches without throwing.
class Connection {
public:
    // DATABASE as a user types it: a file path (embedded engine) or
    // host:path (server). User and password come from ISC_USER and
    // ISC_PASSWORD, the user defaulting to SYSDBA. The connection character
    // set is the main window's, ISO8859_1, unless another is asked for.
    explicit Connection(const std::string& database, const std::string& charset = "ISO8859_1")
    {
        const char* user = std::getenv("ISC_USER");
        const char* password = std::getenv("ISC_PASSWORD");
        std::string dpb(1, static_cast<char>(isc_dpb_version1));
        auto add = [&dpb](char item, const std::string& value) {
            dpb += item;
            dpb += static_cast<char>(value.size());
            dpb += value;
        };
        add(isc_dpb_user_name, user && *user ? user : "SYSDBA");
        if (password && *password)
            add(isc_dpb_password, password);
        add(isc_dpb_lc_ctype, charset);
        ISC_STATUS_ARRAY st;
        isc_attach_database(st, static_cast<short>(database.size()), database.c_str(), &db_,
                            static_cast<short>(dpb.size()), dpb.data());
        check(st, ("cannot attach " + database).c_str());
        static char tpb[] = {isc_tpb_version3, isc_tpb_write, isc_tpb_read_committed, isc_tpb_rec_version,
                             isc_tpb_nowait};
        isc_start_transaction(st, &tr_, 1, &db_, static_cast<unsigned short>(sizeof tpb), tpb);
        if (st[0] == 1 && st[1]) {
            ISC_STATUS_ARRAY ignored;
            isc_detach_database(ignored, &db_);
            check(st, "cannot start the transaction");
        }
    }
    ~Connection()
    {
        ISC_STATUS_ARRAY st;
        if (tr_)
            isc_commit_transaction(st, &tr_);
        if (db_)
            isc_detach_database(st, &db_);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    isc_db_handle* db() { return &db_; }
    isc_tr_handle* tr() { return &tr_; }

    // Commits and detaches, reporting failures (the destructor cannot).
    void close()
    {
        ISC_STATUS_ARRAY st;
        isc_commit_transaction(st, &tr_);
        check(st, "commit");
        isc_detach_database(st, &db_);
        check(st, "detach");
    }

    // Reads a whole blob with the largest segment buffer.
    void readBlob(const ISC_QUAD& id, Tally& tally)
    {
        ISC_STATUS_ARRAY st;
        isc_blob_handle blob = 0;
        ISC_QUAD blobId = id;
        isc_open_blob2(st, &db_, &tr_, &blob, &blobId, 0, nullptr);
        check(st, "open blob");
        uint64_t size = 0, h = 0xcbf29ce484222325ull;
        for (;;) {
            unsigned short length = 0;
            ISC_STATUS rc = isc_get_segment(st, &blob, &length, static_cast<unsigned short>(sizeof buffer_), buffer_);
            if (rc == 0 || rc == isc_segment) {
                size += length;
                if (tally.hashing())
                    h = Tally::hash(buffer_, length, h);
                continue;
            }
            if (rc == isc_segstr_eof)
                break;
            ISC_STATUS_ARRAY ignored;
            isc_close_blob(ignored, &blob);
            check(st, "read blob");
        }
        isc_close_blob(st, &blob);
        check(st, "close blob");
        tally.blob(size, h);
    }

private:
    isc_db_handle db_ = 0;
    isc_tr_handle tr_ = 0;
    char buffer_[65535];
};

// A prepared SELECT with at most one input parameter, passed as text.
// Owns its descriptor areas and buffers; the statement is dropped by the
// destructor.
class Cursor {
public:
    Cursor(Connection& c, const std::string& sql) : c_(c)
    {
        ISC_STATUS_ARRAY st;
        isc_dsql_allocate_statement(st, c_.db(), &stmt_);
        check(st, "allocate statement");
        out_ = allocate(20);
        isc_dsql_prepare(st, c_.tr(), &stmt_, 0, sql.c_str(), 3, out_);
        check(st, ("prepare\n" + sql).c_str());
        if (out_->sqld > out_->sqln) {
            out_ = allocate(out_->sqld);
            isc_dsql_describe(st, &stmt_, 1, out_);
            check(st, "describe");
        }
        int n = out_->sqld;
        nulls_.assign(static_cast<size_t>(n), 0);
        size_t total = 0;
        std::vector<size_t> offsets;
        for (int i = 0; i < n; ++i) {
            XSQLVAR& v = out_->sqlvar[i];
            total = (total + 7) & ~size_t(7);
            offsets.push_back(total);
            total += static_cast<size_t>(v.sqllen) + ((v.sqltype & ~1) == SQL_VARYING ? 2 : 0);
        }
        data_.assign(total + 8, 0);
        for (int i = 0; i < n; ++i) {
            out_->sqlvar[i].sqldata = data_.data() + offsets[static_cast<size_t>(i)];
            out_->sqlvar[i].sqlind = &nulls_[static_cast<size_t>(i)];
        }
        in_ = allocate(1);
        isc_dsql_describe_bind(st, &stmt_, 1, in_);
        check(st, "describe bind");
        if (in_->sqld > 1)
            throw ApiError("more than one parameter in\n" + sql);
    }
    ~Cursor()
    {
        ISC_STATUS_ARRAY st;
        if (stmt_)
            isc_dsql_free_statement(st, &stmt_, DSQL_drop);
    }
    Cursor(const Cursor&) = delete;
    Cursor& operator=(const Cursor&) = delete;

    // Executes with the given parameter bytes (the master's name), or none.
    void execute(std::string_view param = {})
    {
        ISC_STATUS_ARRAY st;
        XSQLDA* in = nullptr;
        if (in_->sqld == 1) {
            XSQLVAR& v = in_->sqlvar[0];
            v.sqltype = SQL_TEXT + 1;
            v.sqllen = static_cast<short>(param.size());
            v.sqldata = const_cast<char*>(param.data());
            v.sqlind = &paramNull_;
            in = in_;
        }
        isc_dsql_execute(st, c_.tr(), &stmt_, 3, in);
        check(st, "execute");
        open_ = true;
    }

    // The next row; false at the end, when the cursor is closed again.
    bool fetch()
    {
        ISC_STATUS_ARRAY st;
        ISC_STATUS rc = isc_dsql_fetch(st, &stmt_, 3, out_);
        if (rc == 0)
            return true;
        if (rc != 100)
            check(st, "fetch");
        close();
        return false;
    }

    void close()
    {
        if (!open_)
            return;
        ISC_STATUS_ARRAY st;
        isc_dsql_free_statement(st, &stmt_, DSQL_close);
        check(st, "close cursor");
        open_ = false;
    }

    int columns() const { return out_->sqld; }
    bool isNull(int i) const { return (out_->sqlvar[i].sqltype & 1) && nulls_[static_cast<size_t>(i)] == -1; }
    int type(int i) const { return out_->sqlvar[i].sqltype & ~1; }

    // The value's bytes as delivered (a VARCHAR without its length word).
    std::string_view bytes(int i) const
    {
        const XSQLVAR& v = out_->sqlvar[i];
        if (type(i) == SQL_VARYING) {
            unsigned short length;
            std::memcpy(&length, v.sqldata, 2);
            return {v.sqldata + 2, length};
        }
        return {v.sqldata, static_cast<size_t>(v.sqllen)};
    }
    int16_t smallint(int i) const
    {
        int16_t v;
        std::memcpy(&v, out_->sqlvar[i].sqldata, 2);
        return v;
    }

    // Reads column i into the tally: a blob whole, anything else as bytes.
    void read(int i, Tally& tally) const
    {
        if (isNull(i)) {
            tally.null();
        } else if (type(i) == SQL_BLOB) {
            ISC_QUAD id;
            std::memcpy(&id, out_->sqlvar[i].sqldata, sizeof id);
            c_.readBlob(id, tally);
        } else {
            std::string_view b = bytes(i);
            tally.value(b.data(), b.size());
        }
    }
    // Reads the columns [from, to).
    void read(int from, int to, Tally& tally) const
    {
        for (int i = from; i < to; ++i)
            read(i, tally);
    }
    void readAll(Tally& tally) const { read(0, columns(), tally); }

private:
    static XSQLDA* allocate(int n)
    {
        auto* p = static_cast<XSQLDA*>(std::calloc(1, XSQLDA_LENGTH(n)));
        p->version = SQLDA_VERSION1;
        p->sqln = static_cast<short>(n);
        return p;
    }
    struct Free {
        void operator()(XSQLDA* p) const { std::free(p); }
    };
    class Area {
    public:
        Area& operator=(XSQLDA* p)
        {
            p_.reset(p);
            return *this;
        }
        XSQLDA* operator->() const { return p_.get(); }
        operator XSQLDA*() const { return p_.get(); }

    private:
        std::unique_ptr<XSQLDA, Free> p_;
    };

    Connection& c_;
    isc_stmt_handle stmt_ = 0;
    Area out_, in_;
    std::vector<char> data_;
    std::vector<short> nulls_;
    short paramNull_ = 0;
    bool open_ = false;
};

// The server's names of the column type codes (RDB$TYPES rows of
// RDB$FIELD_TYPE), read once per connection in place of a join.
class TypeNames {
public:
    explicit TypeNames(Connection& c)
    {
        Cursor q(c, "SELECT RDB$TYPE, RDB$TYPE_NAME FROM RDB$TYPES WHERE RDB$FIELD_NAME = 'RDB$FIELD_TYPE'");
        q.execute();
        while (q.fetch())
            names_[q.smallint(0)] = std::string(q.bytes(1));
    }
    // Reads the name of the type code in column i of the row into the
    // tally, as the joined column would have delivered it.
    void read(const Cursor& row, int i, Tally& tally) const
    {
        if (row.isNull(i)) {
            tally.null();
            return;
        }
        auto it = names_.find(row.smallint(i));
        if (it == names_.end())
            tally.null();
        else
            tally.value(it->second.data(), it->second.size());
    }

private:
    std::unordered_map<int16_t, std::string> names_;
};

// Lines joined as the catalogue's SQL texts are: CR LF after each.
inline std::string lines(std::initializer_list<const char*> items)
{
    std::string out;
    for (const char* s : items) {
        out += s;
        out += "\r\n";
    }
    return out;
}

inline double millisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

} // namespace bench

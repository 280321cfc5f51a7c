#pragma once
// Helpers of the exporter tests: the catalogue of a fresh fixture copy on
// a connection set up as the main window's (character set ISO8859_1,
// read-committed auto-commit transaction, embedded engine), settings held
// as the form holds them, and the golden files under tests/export/golden.
#include "catalogue/Catalogue.h"
#include "db/IB_Connection.h"
#include "db/IB_Session.h"
#include "db/IB_Transaction.h"
#include "settings/SettingsValues.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace varnel::exporttest {

using namespace varnel::db;

// A connection, its transaction and the catalogue on a database file.
struct CatalogueOn {
    CatalogueOn(const std::string& database, const SettingsAccessor& settings)
    {
        session = TIB_Session::Default();
        conn = std::make_unique<TIB_Connection>(session);
        conn->SetName("IB_Connection");
        conn->SetParams({"CHARACTER SET=ISO8859_1", "SQL DIALECT=3", "USER NAME=SYSDBA"});
        conn->SetDatabaseName(database);
        tr = std::make_unique<TIB_Transaction>(session);
        tr->SetName("IB_Transaction");
        tr->SetIB_Connection(conn.get());
        tr->SetAutoCommit(true);
        tr->SetIsolation(TIB_Isolation::tiCommitted);
        conn->SetDefaultTransaction(tr.get());
        cat = std::make_unique<TCatalogue>(*conn, *tr, settings);
        conn->Connect();
    }
    ~CatalogueOn()
    {
        cat.reset();
        tr.reset();
        conn.reset();
    }
    std::shared_ptr<TIB_Session> session;
    std::unique_ptr<TIB_Connection> conn;
    std::unique_ptr<TIB_Transaction> tr;
    std::unique_ptr<TCatalogue> cat;
};

// The fixture database (or another one) with its catalogue; output files
// go into dir.
class ExportTest : public ::testing::Test {
protected:
    explicit ExportTest(varnel::test::DatabaseOptions options = {}) : db_(std::move(options)) {}
    void SetUp() override { on_ = std::make_unique<CatalogueOn>(db_.path(), settings_); }
    void TearDown() override { on_.reset(); }

    TCatalogue& Cat() { return *on_->cat; }
    // Runs f and returns the message of the exception of type E it must raise.
    template <class E>
    std::string Raises(const std::function<void()>& f)
    {
        try {
            f();
        } catch (const E& e) {
            return e.what();
        } catch (const std::exception& e) {
            ADD_FAILURE() << "unexpected exception: " << e.what();
            return {};
        }
        ADD_FAILURE() << "no exception";
        return {};
    }

    TIB_Connection& Conn() { return *on_->conn; }
    std::string Out(const std::string& name) const { return (dir_ / name).string(); }
    std::string Read(const std::string& name) const { return varnel::test::readFile(dir_ / name); }
    // The files in dir, sorted.
    std::vector<std::string> Files() const
    {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir_.path()))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    bool ExportQueriesClosed()
    {
        for (TIB_Query* q : {&Cat().TableExportQuery, &Cat().FieldExportQuery, &Cat().ViewExportQuery,
                             &Cat().ViewFieldExportQuery, &Cat().ProcedureExportQuery, &Cat().ParamsExportQuery})
            if (q->Active())
                return false;
        return true;
    }

    varnel::test::TestDatabase db_;
    varnel::test::TempDir dir_;
    SettingsValues settings_;
    std::unique_ptr<CatalogueOn> on_;
};

// Output with the database path replaced by "@DATABASE@". The SQL banner's
// path line ("/* " path blanks " */") is padded again for the placeholder,
// so it stays 75 wide.
inline std::string NormalizeOutput(std::string text, const std::string& databasePath)
{
    const std::string placeholder = "@DATABASE@";
    const std::string head = "/* " + databasePath + " ";
    if (std::size_t p = text.find(head); p != std::string::npos) {
        std::size_t q = p + head.size();
        while (q < text.size() && text[q] == ' ')
            ++q;
        if (text.compare(q, 2, "*/") == 0)
            text.replace(p, q + 2 - p, "/* " + placeholder + std::string(69 - placeholder.size(), ' ') + " */");
    }
    for (std::size_t p = text.find(databasePath); p != std::string::npos;
         p = text.find(databasePath, p + placeholder.size()))
        text.replace(p, databasePath.size(), placeholder);
    return text;
}

inline std::filesystem::path GoldenPath(const std::string& name)
{
    return std::filesystem::path(VARNEL_SOURCE_DIR) / "tests" / "export" / "golden" / name;
}

// The golden file's bytes.
inline std::string Golden(const std::string& name) { return varnel::test::readFile(GoldenPath(name)); }

// Compares the normalized output with tests/export/golden/<name> byte for
// byte; with VARNEL_UPDATE_GOLDEN=1 in the environment it writes the file
// instead.
inline void ExpectGolden(const std::string& name, const std::string& actual, const std::string& databasePath)
{
    const std::string normalized = NormalizeOutput(actual, databasePath);
    const char* update = std::getenv("VARNEL_UPDATE_GOLDEN");
    if (update && std::string(update) == "1") {
        varnel::test::writeFile(GoldenPath(name), normalized);
        return;
    }
    ASSERT_TRUE(std::filesystem::exists(GoldenPath(name))) << GoldenPath(name);
    const std::string expected = Golden(name);
    if (normalized == expected)
        return;
    std::size_t at = 0;
    while (at < normalized.size() && at < expected.size() && normalized[at] == expected[at])
        ++at;
    ADD_FAILURE() << name << " differs from the golden file at byte " << at << " (sizes " << normalized.size()
                  << " and " << expected.size() << "):\n  got      "
                  << ::testing::PrintToString(normalized.substr(at > 40 ? at - 40 : 0, 120)) << "\n  expected "
                  << ::testing::PrintToString(expected.substr(at > 40 ? at - 40 : 0, 120));
}

// Every CR removed.
inline std::string WithoutCR(std::string text)
{
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

// True when the text is the declaration and one element whose start and
// end tags nest (the writer's output: no attributes, no self-closing tags,
// "<" only in tags).
inline ::testing::AssertionResult WellFormedXML(const std::string& text)
{
    const std::string decl = "<?xml version='1.0' encoding='ISO-8859-1' ?>\r\n\r\n";
    if (text.compare(0, decl.size(), decl) != 0)
        return ::testing::AssertionFailure() << "no declaration";
    std::vector<std::string> open;
    bool rootSeen = false;
    for (std::size_t p = text.find('<', decl.size()); p != std::string::npos; p = text.find('<', p + 1)) {
        std::size_t e = text.find('>', p);
        if (e == std::string::npos)
            return ::testing::AssertionFailure() << "unterminated tag at " << p;
        std::string tag = text.substr(p + 1, e - p - 1);
        if (!tag.empty() && tag[0] == '/') {
            if (open.empty() || open.back() != tag.substr(1))
                return ::testing::AssertionFailure() << "</" << tag.substr(1) << "> at " << p << " closes "
                                                     << (open.empty() ? "nothing" : open.back());
            open.pop_back();
        } else {
            if (open.empty() && rootSeen)
                return ::testing::AssertionFailure() << "second root <" << tag << "> at " << p;
            rootSeen = true;
            open.push_back(tag);
        }
    }
    if (!open.empty())
        return ::testing::AssertionFailure() << "<" << open.back() << "> never closed";
    if (!rootSeen)
        return ::testing::AssertionFailure() << "no root element";
    return ::testing::AssertionSuccess();
}

} // namespace varnel::exporttest

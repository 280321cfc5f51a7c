#pragma once
// Test helpers shared by every test program: temporary folders, fresh
// fixture databases made with Firebird's own isql, and the credentials of
// the local server on 127.0.0.1.
#include <filesystem>
#include <string>
#include <vector>

namespace varnel::test {

// A fresh, empty folder under the build tree's test-tmp, removed when the
// object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Credentials for the local server (scripts/fbserver.sh start). SYSDBA with
// the package's password when it is readable, else the VARNEL_TEST user
// with the admin role; VARNEL_TEST_USER / VARNEL_TEST_PASSWORD override.
struct ServerLogin {
    std::string user;
    std::string password;
    std::string role; // empty or "RDB$ADMIN"
};
const ServerLogin& serverLogin();

// True when the local server answers on 127.0.0.1:3050.
bool serverRunning();
// Starts or stops the local server through scripts/fbserver.sh.
bool startServer();
bool stopServer();

enum class Charset { UTF8, ISO8859_1 };

// Options of a fresh database.
struct DatabaseOptions {
    std::string schema = "schema.sql";             // file in tests/fixtures; empty: none
    std::string descriptions = "descriptions.sql"; // run after the schema; empty: none
    Charset charset = Charset::UTF8;               // default character set
    int dialect = 3;
    bool forServer = false; // hand the file to the firebird user (local server)
};

// A fresh database file created with the embedded engine from a fixture
// script, dropped (deleted) when the object goes.
class TestDatabase {
public:
    explicit TestDatabase(DatabaseOptions options = {});
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    // Path of the file, for the embedded engine.
    std::string path() const { return file_.string(); }
    // "127.0.0.1:" + path, for the local server (needs forServer).
    std::string serverName() const { return "127.0.0.1:" + file_.string(); }

    // Runs an SQL script through isql on the embedded engine; returns
    // isql's combined output. Fails the test when isql reports an error
    // and expectSuccess is set.
    std::string isql(const std::string& script, bool expectSuccess = true) const;

private:
    TempDir dir_;
    std::filesystem::path file_;
    DatabaseOptions options_;
};

// Runs a command through the shell; returns its exit status and fills the
// combined output.
int runCommand(const std::string& command, std::string* output = nullptr);

// Reads a whole file as bytes.
std::string readFile(const std::filesystem::path& p);
void writeFile(const std::filesystem::path& p, const std::string& bytes);

// The fixture folder (tests/fixtures).
std::filesystem::path fixtureDir();

} // namespace varnel::test

#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace varnel::test {

namespace {

fs::path tmpRoot()
{
    const char* env = std::getenv("VARNEL_TEST_TMP");
    fs::path root = env && *env ? fs::path(env) : fs::path(VARNEL_BINARY_DIR) / "test-tmp";
    fs::create_directories(root);
    // The local server (user firebird) creates and opens files in here.
    fs::permissions(root, fs::perms::all, fs::perm_options::replace);
    return root;
}

std::string shellQuote(const std::string& s)
{
    std::string out = "'";
    for (char c : s) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

} // namespace

TempDir::TempDir()
{
    static std::atomic<unsigned> counter{0};
    std::random_device rd;
    for (;;) {
        std::ostringstream name;
        name << "t" << getpid() << "_" << counter++ << "_" << (rd() % 100000);
        fs::path p = tmpRoot() / name.str();
        if (fs::create_directory(p)) {
            fs::permissions(p, fs::perms::all, fs::perm_options::replace);
            path_ = p;
            return;
        }
    }
}

TempDir::~TempDir()
{
    std::error_code ec;
    fs::remove_all(path_, ec);
}

int runCommand(const std::string& command, std::string* output)
{
    std::string cmd = command + " 2>&1";
    FILE* pipe = popen(cmd.c_str(), "r");
    if (!pipe)
        return -1;
    std::string out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0)
        out.append(buf, n);
    int status = pclose(pipe);
    if (output)
        *output = out;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string readFile(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void writeFile(const fs::path& p, const std::string& bytes)
{
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

fs::path fixtureDir() { return fs::path(VARNEL_FIXTURE_DIR); }

const ServerLogin& serverLogin()
{
    static const ServerLogin login = [] {
        ServerLogin l;
        const char* u = std::getenv("VARNEL_TEST_USER");
        const char* p = std::getenv("VARNEL_TEST_PASSWORD");
        if (u && *u && p) {
            l.user = u;
            l.password = p;
            return l;
        }
        std::ifstream in("/etc/firebird/3.0/SYSDBA.password");
        std::string line;
        while (in && std::getline(in, line)) {
            const std::string key = "ISC_PASSWORD=";
            if (line.rfind(key, 0) == 0) {
                std::string v = line.substr(key.size());
                if (v.size() >= 2 && v.front() == '"' && v.back() == '"')
                    v = v.substr(1, v.size() - 2);
                l.user = "SYSDBA";
                l.password = v;
                return l;
            }
        }
        l.user = "VARNEL_TEST";
        l.password = "varnel";
        l.role = "RDB$ADMIN";
        return l;
    }();
    return login;
}

bool serverRunning()
{
    return runCommand(std::string(VARNEL_SOURCE_DIR) + "/scripts/fbserver.sh status") == 0;
}

bool startServer()
{
    return runCommand(std::string(VARNEL_SOURCE_DIR) + "/scripts/fbserver.sh start") == 0;
}

bool stopServer()
{
    return runCommand(std::string(VARNEL_SOURCE_DIR) + "/scripts/fbserver.sh stop") == 0;
}

namespace {

// Builds the database of `options` once per fixture content and keeps it
// as a template; every TestDatabase gets a copy, which is much faster
// than running the fixture scripts again.
fs::path templateFor(const DatabaseOptions& options, const std::function<void(const std::string&)>& runScript)
{
    std::string schema = options.schema.empty() ? "" : readFile(fixtureDir() / options.schema);
    std::string descriptions = options.descriptions.empty() ? "" : readFile(fixtureDir() / options.descriptions);
    std::string key = schema + '\x01' + descriptions + '\x01' + std::to_string(options.dialect) + '\x01' +
                      (options.charset == Charset::UTF8 ? "UTF8" : "ISO8859_1");
    std::ostringstream name;
    name << std::hex << std::hash<std::string>{}(key) << ".fdb";
    fs::path dir = tmpRoot() / "templates";
    fs::create_directories(dir);
    fs::path target = dir / name.str();
    if (fs::exists(target))
        return target;

    std::ostringstream tmpName;
    tmpName << name.str() << "." << getpid() << ".tmp";
    fs::path tmp = dir / tmpName.str();
    std::error_code ec;
    fs::remove(tmp, ec);
    std::string script;
    script += "SET NAMES ISO8859_1;\n";
    script += "SET SQL DIALECT " + std::to_string(options.dialect) + ";\n";
    script += "CREATE DATABASE '" + tmp.string() + "' USER 'SYSDBA' PAGE_SIZE 8192 DEFAULT CHARACTER SET ";
    script += options.charset == Charset::UTF8 ? "UTF8" : "ISO8859_1";
    script += ";\n" + schema + descriptions;
    runScript(script);
    // Another test program may have won the race; either copy is good.
    fs::rename(tmp, target, ec);
    if (ec)
        fs::remove(tmp, ec);
    return target;
}

} // namespace

TestDatabase::TestDatabase(DatabaseOptions options) : options_(std::move(options))
{
    file_ = dir_.path() / "fixture.fdb";
    fs::path tpl = templateFor(options_, [this](const std::string& script) { isql(script); });
    fs::copy_file(tpl, file_, fs::copy_options::overwrite_existing);
    fs::permissions(file_, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                               fs::perms::group_write,
                    fs::perm_options::replace);
    if (options_.forServer) {
        std::string out;
        int rc = runCommand("chown firebird:firebird " + shellQuote(file_.string()), &out);
        if (rc != 0)
            ADD_FAILURE() << "cannot hand " << file_ << " to the firebird user: " << out;
    }
}

TestDatabase::~TestDatabase()
{
    std::error_code ec;
    fs::remove(file_, ec);
}

std::string TestDatabase::isql(const std::string& script, bool expectSuccess) const
{
    fs::path scriptFile = dir_.path() / "script.sql";
    std::string body = script;
    // Scripts run against an existing file connect first.
    if (fs::exists(file_))
        body = "SET NAMES ISO8859_1;\nCONNECT '" + file_.string() + "' USER 'SYSDBA';\n" + script;
    writeFile(scriptFile, body);
    std::string out;
    // Embedded engine: no server, no password; -b stops at the first error.
    int rc = runCommand("env -u ISC_USER -u ISC_PASSWORD isql-fb -q -b -i " + shellQuote(scriptFile.string()), &out);
    fs::remove(scriptFile);
    if (expectSuccess && (rc != 0 || out.find("Statement failed") != std::string::npos))
        ADD_FAILURE() << "isql failed (" << rc << "):\n" << out;
    return out;
}

} // namespace varnel::test

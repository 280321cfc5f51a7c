// Binding of the client library with real files: no library, a library
// that lacks one required entry point, one without the optional entry
// points, and a library that appears while the program runs.
#include "DbTestUtil.h"
#include "db/IB_Client.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

using namespace varnel::dbtest;
using varnel::test::TempDir;
using varnel::test::TestDatabase;
namespace fs = std::filesystem;

namespace {

// Points VARNEL_FBCLIENT somewhere for the test's duration. The binding
// is process-wide; every component of the test must be gone before the
// next binding test, so the library is bound afresh.
class BindingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (TIB_ClientLibrary::Instance().RefCount() != -1)
            GTEST_SKIP() << "the client library is held by another component";
        const char* old = std::getenv("VARNEL_FBCLIENT");
        if (old)
            saved_ = old;
    }
    void TearDown() override
    {
        if (saved_)
            setenv("VARNEL_FBCLIENT", saved_->c_str(), 1);
        else
            unsetenv("VARNEL_FBCLIENT");
    }
    void Use(const std::string& path) { setenv("VARNEL_FBCLIENT", path.c_str(), 1); }

    std::optional<std::string> saved_;
};

std::string RealClientLibrary()
{
    for (const char* p : {"/usr/lib/x86_64-linux-gnu/libfbclient.so.2", "/usr/lib64/libfbclient.so.2",
                          "/usr/lib/libfbclient.so.2"})
        if (fs::exists(p))
            return fs::canonical(p).string();
    std::string out;
    varnel::test::runCommand("ldconfig -p | grep 'libfbclient.so.2 ' | head -1 | sed 's/.*=> //'", &out);
    while (!out.empty() && (out.back() == '\n' || out.back() == ' '))
        out.pop_back();
    return out;
}

TEST_F(BindingTest, WithoutLibraryEachLoginConfirmationReportsItThenLoginFails)
{
    TempDir dir;
    Use((dir / "absent" / "libfbclient.so.2").string());
    auto session = std::make_shared<TIB_Session>();
    int prompts = 0;
    std::vector<std::string> shown;
    session->OnLoginPrompt = [&](TIB_Connection&) {
        ++prompts;
        return true;
    };
    session->OnShowException = [&](const std::exception& e) { shown.push_back(e.what()); };
    TIB_Connection c(session);
    c.SetLoginPrompt(true);
    c.SetDatabaseName("/tmp/whatever.fdb");
    try {
        c.Connect();
        FAIL() << "connected without a client library";
    } catch (const EIB_ConnectionError& e) {
        EXPECT_STREQ(e.what(), "Login failed");
    }
    EXPECT_EQ(prompts, 3);
    EXPECT_EQ(shown, std::vector<std::string>(3, "InterBase Client GDS32.DLL is not installed"));
    EXPECT_FALSE(TIB_ClientLibrary::Instance().IsLoaded());
    EXPECT_FALSE(c.Connected());
}

TEST_F(BindingTest, LibraryLackingOneRequiredNameIsNamedExactly)
{
    Use(VARNEL_FAKECLIENT_MISSING);
    {
        TIB_Connection c;
        c.SetDatabaseName("/tmp/whatever.fdb");
        try {
            c.Connect();
            FAIL() << "bound a library without isc_dsql_prepare";
        } catch (const EIB_Error& e) {
            EXPECT_STREQ(e.what(), "Unable to locate DLL import isc_dsql_prepare");
        }
        EXPECT_TRUE(TIB_ClientLibrary::Instance().IsLoaded());
        EXPECT_FALSE(TIB_ClientLibrary::Instance().AttachBound()) << "the layer calls nothing of it";
    }
    // The program-level reference raises at start already.
    EXPECT_EQ(TIB_ClientLibrary::Instance().RefCount(), -1);
    try {
        ReserveSessionHookRef();
        ReleaseSessionHookRef();
        FAIL();
    } catch (const EIB_Error& e) {
        EXPECT_STREQ(e.what(), "Unable to locate DLL import isc_dsql_prepare");
        ReleaseSessionHookRef();
    }
}

TEST_F(BindingTest, LibraryWithoutOptionalEntryPointsBinds)
{
    Use(VARNEL_FAKECLIENT_FULL);
    TIB_Connection c;
    EXPECT_TRUE(TIB_ClientLibrary::Instance().IsLoaded());
    EXPECT_TRUE(TIB_ClientLibrary::Instance().AttachBound());
    EXPECT_EQ(TIB_ClientLibrary::Instance().LoadedName(), VARNEL_FAKECLIENT_FULL);
    c.SetDatabaseName("/tmp/whatever.fdb");
    try {
        c.Connect();
        FAIL();
    } catch (const EIB_ISCError& e) {
        // The error report runs through the stand-in's interpreter.
        EXPECT_EQ(e.ERRCODE(), 335544344);
        EXPECT_EQ(e.ErrorMessage(), TIB_StringList({"ISC ERROR CODE:335544344", "", "ISC ERROR MESSAGE:",
                                                    "fake client library: no server"}));
        EXPECT_EQ(e.SQLCODE(), -902);
        EXPECT_EQ(e.SQLMessage(), TIB_StringList({"SQL ERROR CODE:-902", "", "SQL ERROR MESSAGE:", "fake SQL message"}));
        EXPECT_EQ(e.Sender(), &c);
    }
    EXPECT_FALSE(c.Connected());
}

TEST_F(BindingTest, LibraryInstalledAfterStartIsBoundAtTheNextConnect)
{
    std::string real = RealClientLibrary();
    ASSERT_FALSE(real.empty()) << "no Firebird client library on this machine";
    TempDir dir;
    fs::path later = dir / "lib" / "libfbclient.so.2";
    Use(later.string());
    TestDatabase db;
    auto c = MakeConnection(db.path());
    try {
        c->Connect();
        FAIL();
    } catch (const EIB_Error& e) {
        EXPECT_STREQ(e.what(), "InterBase Client GDS32.DLL is not installed");
    }
    fs::create_directories(later.parent_path());
    fs::create_symlink(real, later);
    c->Connect();
    EXPECT_TRUE(c->Connected());
    EXPECT_EQ(TIB_ClientLibrary::Instance().LoadedName(), later.string());
    c->Disconnect();
}

TEST_F(BindingTest, DefaultNameIsTheDistributionsClientLibrary)
{
    unsetenv("VARNEL_FBCLIENT");
    TIB_Connection c;
    EXPECT_TRUE(TIB_ClientLibrary::Instance().IsLoaded());
    EXPECT_EQ(TIB_ClientLibrary::Instance().LoadedName(), "libfbclient.so.2");
    EXPECT_EQ(TIB_ClientLibrary::RequiredNames().front(), "isc_array_gen_sdl");
    EXPECT_EQ(TIB_ClientLibrary::RequiredNames().back(), "isc_release_request");
    EXPECT_EQ(TIB_ClientLibrary::RequiredNames().size(), 64u);
}

TEST_F(BindingTest, LastReferenceReleasesTheBinding)
{
    unsetenv("VARNEL_FBCLIENT");
    {
        TIB_Connection a;
        TIB_Transaction b;
        EXPECT_EQ(TIB_ClientLibrary::Instance().RefCount(), 2);
    }
    EXPECT_EQ(TIB_ClientLibrary::Instance().RefCount(), -1);
    EXPECT_FALSE(TIB_ClientLibrary::Instance().IsLoaded());
}

} // namespace

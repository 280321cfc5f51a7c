// Window placement kept in the per-user store: restore in Loaded(), store
// when the component goes, on plain top-level windows in a sandboxed store.
#include "guisupport/UserStoreSandbox.h"
#include "kit/KWFormStorage.h"
#include "support/TestEnv.h"

#include <QSettings>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

using namespace varnel::test;
namespace fs = std::filesystem;

namespace {

constexpr const char* Key = "\\Software\\Ostrel\\Varnel";

// The main window's store.
QSettings Store() { return QSettings(QSettings::NativeFormat, QSettings::UserScope, "Ostrel", "Varnel"); }

class FormStorageTest : public ::testing::Test {
protected:
    UserStoreSandbox sandbox;

    // A window at its designed place (30, 40), 300 x 200.
    static std::unique_ptr<QWidget> DesignedWindow()
    {
        auto w = std::make_unique<QWidget>();
        w->move(30, 40);
        w->resize(300, 200);
        return w;
    }
    static std::unique_ptr<TKWFormStorage> StorageFor(QWidget& w, TStorageOptions options = {TStorageOption::fsPosition})
    {
        auto s = std::make_unique<TKWFormStorage>(&w);
        s->SetRegistryKey(Key);
        s->SetOptions(options);
        return s;
    }
    void Put(std::initializer_list<std::pair<const char*, QVariant>> values)
    {
        QSettings s = Store();
        for (const auto& [name, value] : values)
            s.setValue(name, value);
        s.sync();
    }
    std::string StoreText() const { return readFile(sandbox.StoreFile().string()); }
};

TEST_F(FormStorageTest, DefaultsAreThePositionOnly)
{
    QWidget w;
    TKWFormStorage s(&w);
    EXPECT_EQ(s.RegistryKey(), "");
    EXPECT_EQ(s.Options(), TStorageOptions{TStorageOption::fsPosition});
}

TEST_F(FormStorageTest, FirstStartKeepsTheDesignedPlaceAndCreatesLeftAndTopAtExit)
{
    auto w = DesignedWindow();
    auto storage = StorageFor(*w);
    storage->Loaded();
    EXPECT_EQ(w->pos(), QPoint(30, 40));
    EXPECT_FALSE(fs::exists(sandbox.StoreFile())) << "restoring never creates the store";
    w->move(120, 85);
    storage.reset();
    QSettings s = Store();
    EXPECT_EQ(s.value("Left").toInt(), 120);
    EXPECT_EQ(s.value("Top").toInt(), 85);
    EXPECT_FALSE(s.contains("Width"));
    EXPECT_FALSE(s.contains("Height"));
    EXPECT_FALSE(s.contains("State"));
}

TEST_F(FormStorageTest, StoredPositionIsRestoredBeforeShowAndKeptWhenShown)
{
    Put({{"Left", 210}, {"Top", 160}});
    auto w = DesignedWindow();
    auto storage = StorageFor(*w);
    storage->Loaded();
    EXPECT_EQ(w->pos(), QPoint(210, 160));
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    EXPECT_EQ(w->frameGeometry().topLeft(), QPoint(210, 160));
    EXPECT_EQ(w->size(), QSize(300, 200)) << "the size is not kept by default";
}

// Which values the store holds and where the window ends up.
struct RestoreCase {
    const char* name;
    std::vector<std::pair<const char*, QVariant>> values;
    QPoint expected;
};

class FormStorageRestore : public FormStorageTest, public ::testing::WithParamInterface<RestoreCase> {};

TEST_P(FormStorageRestore, AppliesWhatCanBeReadInOrder)
{
    {
        QSettings s = Store();
        for (const auto& [name, value] : GetParam().values)
            s.setValue(name, value);
        s.sync();
    }
    auto w = DesignedWindow();
    StorageFor(*w)->Loaded();
    EXPECT_EQ(w->pos(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, FormStorageRestore,
    ::testing::Values(
        RestoreCase{"OnlyLeftRestoresTheLeftEdge", {{"Left", 500}}, {500, 40}},
        RestoreCase{"OnlyTopRestoresNothing", {{"Top", 500}}, {30, 40}},
        RestoreCase{"LeftNotANumberEndsTheStep", {{"Left", "wide"}, {"Top", 90}}, {30, 40}},
        RestoreCase{"LeftAListEndsTheStep", {{"Left", QStringList{"1", "2"}}, {"Top", 90}}, {30, 40}},
        RestoreCase{"TopNotANumberKeepsTheLeftApplied", {{"Left", 77}, {"Top", "high"}}, {77, 40}},
        RestoreCase{"LeftBeyond32BitsEndsTheStep", {{"Left", qlonglong(1) << 33}, {"Top", 90}}, {30, 40}},
        RestoreCase{"NegativeValues", {{"Left", -1200}, {"Top", -3}}, {-1200, -3}},
        RestoreCase{"OtherValuesAreIgnored", {{"SettingsFile", "/tmp/a.ini"}, {"Left", 8}, {"Top", 9}}, {8, 9}}),
    [](const ::testing::TestParamInfo<RestoreCase>& i) { return std::string(i.param.name); });

TEST_F(FormStorageTest, StoreFileWithOtherTextIsReadAsItsValues)
{
    // A hand-edited store: values as plain text, as the native format keeps
    // them.
    fs::create_directories(sandbox.StoreFile().parent_path());
    writeFile(sandbox.StoreFile().string(), "[General]\nSettingsFile=/x.ini\nLeft=64\nTop= 48\n");
    auto w = DesignedWindow();
    StorageFor(*w)->Loaded();
    EXPECT_EQ(w->pos(), QPoint(64, 48));
}

TEST_F(FormStorageTest, PositionOffTheScreenIsAppliedUnchanged)
{
    Put({{"Left", -4000}, {"Top", 9000}});
    auto w = DesignedWindow();
    auto storage = StorageFor(*w);
    storage->Loaded();
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    EXPECT_EQ(w->frameGeometry().topLeft(), QPoint(-4000, 9000));
    storage.reset();
    EXPECT_EQ(Store().value("Left").toInt(), -4000);
    EXPECT_EQ(Store().value("Top").toInt(), 9000);
}

TEST_F(FormStorageTest, MaximisedWindowLeavesTheStoredPlacementUnchanged)
{
    Put({{"Left", 210}, {"Top", 160}, {"Width", 640}, {"Height", 480}});
    auto w = DesignedWindow();
    auto storage = StorageFor(*w, {TStorageOption::fsPosition, TStorageOption::fsSize, TStorageOption::fsState});
    storage->Loaded();
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    w->showMaximized();
    QTest::qWait(20);
    ASSERT_TRUE(w->isMaximized());
    storage.reset();
    QSettings s = Store();
    EXPECT_EQ(s.value("Left").toInt(), 210);
    EXPECT_EQ(s.value("Top").toInt(), 160);
    EXPECT_EQ(s.value("Width").toInt(), 640);
    EXPECT_EQ(s.value("Height").toInt(), 480);
    EXPECT_EQ(s.value("State").toInt(), 1);
}

TEST_F(FormStorageTest, SizeAndStateRoundTripWhenAskedFor)
{
    TStorageOptions all{TStorageOption::fsPosition, TStorageOption::fsSize, TStorageOption::fsState};
    {
        auto w = DesignedWindow();
        auto storage = StorageFor(*w, all);
        storage->Loaded();
        w->setGeometry(50, 60, 420, 310);
        storage->Store();
        EXPECT_NE(StoreText().find("State=0"), std::string::npos) << StoreText();
    }
    auto w = DesignedWindow();
    StorageFor(*w, all)->Loaded();
    EXPECT_EQ(w->pos(), QPoint(50, 60));
    EXPECT_EQ(w->size(), QSize(420, 310));
    EXPECT_FALSE(w->windowState() & Qt::WindowMaximized);

    Put({{"State", 1}});
    auto maximised = DesignedWindow();
    StorageFor(*maximised, all)->Loaded();
    EXPECT_TRUE(maximised->windowState() & Qt::WindowMaximized);
}

TEST_F(FormStorageTest, StateIsNotReadWithoutItsOption)
{
    Put({{"State", 1}, {"Width", 640}, {"Height", 480}});
    auto w = DesignedWindow();
    StorageFor(*w)->Loaded();
    EXPECT_FALSE(w->windowState() & Qt::WindowMaximized);
    EXPECT_EQ(w->size(), QSize(300, 200));
}

TEST_F(FormStorageTest, EmptyKeySwitchesTheComponentOff)
{
    Put({{"Left", 500}, {"Top", 500}});
    auto w = DesignedWindow();
    {
        TKWFormStorage storage(w.get());
        storage.Loaded();
        EXPECT_EQ(w->pos(), QPoint(30, 40));
        w->move(1, 2);
    }
    EXPECT_EQ(Store().value("Left").toInt(), 500);
    EXPECT_EQ(Store().value("Top").toInt(), 500);
}

TEST_F(FormStorageTest, StoreKeepsTheOtherValuesOfTheKey)
{
    sandbox.Remember("/data/doc.ini");
    auto w = DesignedWindow();
    StorageFor(*w).reset();
    EXPECT_EQ(sandbox.Remembered(), std::optional<std::string>("/data/doc.ini"));
    EXPECT_EQ(Store().value("Left").toInt(), 30);
}

TEST_F(FormStorageTest, StoreThatCannotBeWrittenRaisesNamingIt)
{
    // A plain file where the store's folder should be.
    writeFile(sandbox.StoreFile().parent_path().string(), "not a folder");
    auto w = DesignedWindow();
    auto storage = StorageFor(*w);
    try {
        storage->Store();
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("Varnel.conf"), std::string::npos) << e.what();
    }
    // Stored once: the destructor does not try again.
    testing::internal::CaptureStderr();
    storage.reset();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

struct LocationCase {
    const char* name;
    const char* key;
    const char* organisation;
    const char* application;
    const char* group;
};

class FormStorageLocation : public ::testing::TestWithParam<LocationCase> {};

TEST_P(FormStorageLocation, MapsTheRegistryKeyToTheStore)
{
    TKWFormStorage::TStoreLocation l = TKWFormStorage::LocationOf(GetParam().key);
    EXPECT_EQ(l.Organisation.toStdString(), GetParam().organisation);
    EXPECT_EQ(l.Application.toStdString(), GetParam().application);
    EXPECT_EQ(l.Group.toStdString(), GetParam().group);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, FormStorageLocation,
    ::testing::Values(LocationCase{"MainWindow", "\\Software\\Ostrel\\Varnel", "Ostrel", "Varnel", ""},
                      LocationCase{"WithoutLeadingBackslash", "Software\\Ostrel\\Varnel", "Ostrel", "Varnel", ""},
                      LocationCase{"SoftwareInAnyCase", "\\SOFTWARE\\Ostrel\\Varnel", "Ostrel", "Varnel", ""},
                      LocationCase{"DeeperKeyIsAGroup", "\\Software\\Ostrel\\Varnel\\Windows\\Main", "Ostrel",
                                   "Varnel", "Windows/Main"},
                      LocationCase{"OrganisationOnly", "\\Software\\Ostrel", "Ostrel", "", ""}),
    [](const ::testing::TestParamInfo<LocationCase>& i) { return std::string(i.param.name); });

TEST_F(FormStorageTest, DeeperKeyKeepsItsValuesInItsGroup)
{
    auto w = DesignedWindow();
    {
        TKWFormStorage storage(w.get());
        storage.SetRegistryKey("\\Software\\Ostrel\\Varnel\\Windows\\Main");
        w->move(11, 12);
    }
    QSettings s = Store();
    EXPECT_FALSE(s.contains("Left"));
    EXPECT_EQ(s.value("Windows/Main/Left").toInt(), 11);
    auto again = DesignedWindow();
    TKWFormStorage storage(again.get());
    storage.SetRegistryKey("\\Software\\Ostrel\\Varnel\\Windows\\Main");
    storage.Loaded();
    EXPECT_EQ(again->pos(), QPoint(11, 12));
}

} // namespace

// Data sources and links: forwarding, the two suspensions, the deferred
// notifications of a dataset, modify with AutoEdit, a memo's link, and the
// display attributes.
#include "DatasetTestUtil.h"

#include "db/IB_Error.h"

namespace varnel::dstest {
namespace {

class DataSources : public DatasetTest {
protected:
    void SetUp() override
    {
        DatasetTest::SetUp();
        MakeNumbers(5);
    }
};

// A link that records what it hears.
struct Recorder {
    TIB_DataLink link;
    std::vector<std::string> heard;
    explicit Recorder(const std::string& name)
    {
        link.OnStateChanged = [this, name](TIB_DataLink&) { heard.push_back(name + ":state"); };
        link.OnDataChange = [this, name](TIB_DataLink&, TIB_Column* c) {
            heard.push_back(name + ":data" + (c ? "(" + c->FieldName() + ")" : ""));
        };
        link.OnLayoutChanged = [this, name](TIB_DataLink&) { heard.push_back(name + ":layout"); };
    }
};

TEST_F(DataSources, ForwardingInListOrderAndReassignment)
{
    auto q = Query({"SELECT N, LABEL FROM NUMS ORDER BY N"});
    TIB_DataSource ds;
    ds.SetDataset(q.get());
    Recorder a("a"), b("b");
    a.link.SetDataSource(&ds);
    b.link.SetDataSource(&ds);
    EXPECT_EQ(a.heard, (std::vector<std::string>{"a:layout", "a:state", "a:data"})) << "the assignment";
    a.heard.clear();
    b.heard.clear();
    q->Open();
    EXPECT_EQ(a.heard, (std::vector<std::string>{"a:layout", "a:state", "a:data"}));
    a.heard.clear();
    std::vector<std::string> both;
    a.link.OnDataChange = [&](TIB_DataLink&, TIB_Column*) { both.push_back("a"); };
    b.link.OnDataChange = [&](TIB_DataLink&, TIB_Column*) { both.push_back("b"); };
    q->Next();
    EXPECT_EQ(both, (std::vector<std::string>{"a", "b"}));

    // Assigning the same source again does nothing; another one detaches first.
    both.clear();
    a.link.SetDataSource(&ds);
    EXPECT_TRUE(both.empty());
    TIB_DataSource other;
    a.link.SetDataSource(&other);
    EXPECT_EQ(ds.Links().size(), 1u);
    EXPECT_EQ(other.Links().size(), 1u);
    both.clear();
    q->Next();
    EXPECT_EQ(both, std::vector<std::string>{"b"});
    EXPECT_EQ(other.State(), TIB_DatasetState::dssInactive);
}

TEST_F(DataSources, DisabledSourceDeliversOneStateAndOneDataChange)
{
    auto q = Query({"SELECT N, LABEL FROM NUMS ORDER BY N"});
    q->SetKeyLinks({"NUMS.N"});
    TIB_DataSource ds;
    ds.SetDataset(q.get());
    Recorder r("r");
    r.link.SetDataSource(&ds);
    q->Open();
    r.heard.clear();
    ds.DisableControls();
    q->Next();
    q->Next();
    q->Edit();
    q->Cancel();
    EXPECT_TRUE(r.heard.empty());
    ds.EnableControls();
    EXPECT_EQ(r.heard, (std::vector<std::string>{"r:state", "r:data"}));
}

TEST_F(DataSources, InterfaceSuspensionHoldsOnlyControlLinks)
{
    auto master = Query({"SELECT N, LABEL FROM NUMS ORDER BY N"}, "Master");
    TIB_DataSource ds;
    ds.SetDataset(master.get());
    Recorder control("c");
    control.link.SetDataSource(&ds);
    auto detail = Query({"SELECT N FROM NUMS"}, "Detail");
    detail->SetMasterSource(&ds);
    detail->SetMasterLinks({"N=N"});
    master->Open();
    detail->Open();
    control.heard.clear();
    ds.DisableInterface();
    master->Next();
    EXPECT_TRUE(control.heard.empty());
    EXPECT_EQ(detail->FieldByName("N").AsInteger(), 2) << "the master link still hears the move";
    ds.EnableInterface();
    EXPECT_EQ(control.heard, std::vector<std::string>{"c:data"});
}

TEST_F(DataSources, DatasetDisableControlsDefersStateAndScroll)
{
    auto q = Query({"SELECT N, LABEL FROM NUMS ORDER BY N"});
    q->SetKeyLinks({"NUMS.N"});
    TIB_DataSource ds;
    ds.SetDataset(q.get());
    Recorder r("r");
    r.link.SetDataSource(&ds);
    q->AfterScroll = [&](TIB_Dataset&) { r.heard.push_back("afterScroll"); };
    q->Open();
    r.heard.clear();
    q->DisableControls();
    q->Next();
    q->Next();
    q->Edit();
    q->Cancel();
    EXPECT_TRUE(r.heard.empty());
    q->EnableControls();
    EXPECT_EQ(r.heard, (std::vector<std::string>{"r:state", "afterScroll", "r:data"}));
}

TEST_F(DataSources, MemoLinkEditsThroughModifyAndWritesOnLeaving)
{
    auto q = Query({"SELECT N, LABEL, NOTE FROM NUMS ORDER BY N"});
    q->SetKeyLinks({"NUMS.N"});
    q->SetEditSQL({"UPDATE NUMS SET NOTE = :NOTE WHERE N = :N"});
    TIB_DataSource ds;
    ds.SetDataset(q.get());
    // A stand-in memo: its text, loaded on every data change.
    std::string memo;
    TIB_FieldDataLink link;
    link.SetDataField("NOTE");
    link.OnDataChange = [&](TIB_DataLink& l, TIB_Column*) {
        auto& f = static_cast<TIB_FieldDataLink&>(l);
        memo = f.Field() ? f.Field()->AsString() : std::string();
    };
    link.OnUpdateData = [&](TIB_DataLink& l) { static_cast<TIB_FieldDataLink&>(l).Field()->SetAsString(memo); };
    link.SetDataSource(&ds);
    EXPECT_EQ(link.Field(), nullptr) << "not prepared yet";
    q->Open();
    ASSERT_NE(link.Field(), nullptr);
    EXPECT_EQ(link.Field()->FieldName(), "NOTE");
    EXPECT_EQ(memo, "");
    q->Next();
    EXPECT_EQ(memo, "note 2");
    EXPECT_FALSE(link.FieldIsReadOnly());

    // The first keystroke: modify puts the dataset into dssEdit.
    EXPECT_TRUE(link.Modify());
    EXPECT_EQ(q->State(), TIB_DatasetState::dssEdit);
    EXPECT_TRUE(link.Editing());
    memo = "typed\r\n";
    // Leaving the memo: the link writes, the window's handler checks browse mode.
    link.UpdateRecord();
    q->CheckBrowseMode();
    EXPECT_EQ(q->State(), TIB_DatasetState::dssBrowse);
    EXPECT_EQ(OtherConnection().Value("SELECT NOTE FROM NUMS WHERE N = 2"), "typed\r\n");

    // Typed and typed back: nothing sent.
    EXPECT_TRUE(link.Modify());
    memo = "typed\r\n";
    q->CheckBrowseMode(); // the update-data notice makes the link write
    EXPECT_EQ(q->State(), TIB_DatasetState::dssBrowse);
    EXPECT_EQ(q->UpdateSQL().EditExecutions(), 1);

    // A control link on a read-only column, and without AutoEdit.
    TIB_FieldDataLink label;
    label.SetDataSource(&ds);
    label.SetDataField("LABEL");
    EXPECT_TRUE(label.FieldIsReadOnly());
    ds.SetAutoEdit(false);
    EXPECT_FALSE(link.Modify());
    EXPECT_EQ(q->State(), TIB_DatasetState::dssBrowse);
}

TEST_F(DataSources, GoingAwayInAnyOrder)
{
    auto q = Query({"SELECT N FROM NUMS"});
    auto ds = std::make_unique<TIB_DataSource>();
    ds->SetDataset(q.get());
    auto link = std::make_unique<TIB_FieldDataLink>();
    link->SetDataField("N");
    link->SetDataSource(ds.get());
    q->Open();
    ds.reset();
    EXPECT_EQ(link->DataSource(), nullptr);
    EXPECT_TRUE(q->DataSources().empty());
    q->Next();
    auto ds2 = std::make_unique<TIB_DataSource>();
    ds2->SetDataset(q.get());
    link->SetDataSource(ds2.get());
    EXPECT_NE(link->Field(), nullptr);
    q.reset();
    EXPECT_EQ(ds2->Dataset(), nullptr);
    EXPECT_EQ(link->Field(), nullptr);
    EXPECT_EQ(ds2->State(), TIB_DatasetState::dssInactive);
}

struct AttributeCase {
    std::string name;
    TIB_StringList labels, widths, visible, alignment;
    std::string column;
    std::string label, displayName, alignmentText;
    int width;
    bool visibleResult;
    friend void PrintTo(const AttributeCase& c, std::ostream* os) { *os << c.name; }
};

class DisplayAttributes : public DatasetTest, public ::testing::WithParamInterface<AttributeCase> {};

TEST_P(DisplayAttributes, QualifiedAndUnqualifiedNames)
{
    const AttributeCase& c = GetParam();
    auto q = Query({"SELECT rf.RDB$FIELD_NAME, rf.RDB$RELATION_NAME, rf.RDB$DESCRIPTION",
                    "FROM RDB$RELATION_FIELDS rf"});
    q->SetCalculatedFields({"FIELD_TYPE=VARCHAR(30)"});
    q->SetFieldsDisplayLabel(c.labels);
    q->SetFieldsDisplayWidth(c.widths);
    q->SetFieldsVisible(c.visible);
    q->SetFieldsAlignment(c.alignment);
    q->Prepare();
    const TIB_Column& col = q->FieldByName(c.column);
    EXPECT_EQ(q->DisplayLabel(col), c.label);
    EXPECT_EQ(q->DisplayName(col), c.displayName);
    EXPECT_EQ(q->IsVisible(col), c.visibleResult);
    EXPECT_EQ(q->Alignment(col), c.alignmentText);
    if (c.width >= 0)
        EXPECT_EQ(q->DisplayWidth(col), c.width);
    else
        EXPECT_GT(q->DisplayWidth(col), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Dataset, DisplayAttributes,
    ::testing::Values(
        AttributeCase{"qualified_entry", {"RDB$RELATION_FIELDS.RDB$FIELD_NAME=Field"}, {"RDB$RELATION_FIELDS.RDB$FIELD_NAME=120"},
                      {}, {}, "RDB$FIELD_NAME", "Field", "Field", "", 120, true},
        AttributeCase{"unqualified_entry", {"RDB$FIELD_NAME=Field"}, {"rdb$field_name=181"}, {"RDB$FIELD_NAME=FALSE"},
                      {"RDB$FIELD_NAME=center"}, "RDB$FIELD_NAME", "Field", "Field", "CENTER", 181, false},
        AttributeCase{"other_relation_does_not_match", {"RDB$RELATIONS.RDB$RELATION_NAME=Table"}, {}, {}, {},
                      "RDB$RELATION_NAME", "RDB$RELATION NAME", "RDB$RELATION_NAME", "", -1, true},
        AttributeCase{"dash_gives_empty_title", {"RDB$DESCRIPTION=-"}, {}, {}, {}, "RDB$DESCRIPTION", "", "", "", -1,
                      true},
        AttributeCase{"slash_dash_names_a_dash", {"RDB$DESCRIPTION=/-"}, {}, {}, {}, "RDB$DESCRIPTION", "/-", "-", "",
                      -1, true},
        AttributeCase{"calculated_column", {"FIELD_TYPE=Type"}, {}, {"FIELD_TYPE=false"}, {}, "FIELD_TYPE", "Type",
                      "Type", "", -1, false}),
    [](const auto& info) { return info.param.name; });

TEST_F(DataSources, StoredWidthAndDefault)
{
    auto q = Query({"SELECT N, LABEL FROM NUMS"});
    q->Prepare();
    const TIB_Column& label = q->FieldByName("LABEL");
    const int def = q->DisplayWidth(label);
    EXPECT_GT(def, 0);
    q->SetDisplayWidth(label, 200);
    EXPECT_EQ(q->DisplayWidth(label), 200);
    EXPECT_EQ(q->FieldsDisplayWidth(), TIB_StringList{"NUMS.LABEL=200"});
    q->SetDisplayWidth(label, 210);
    EXPECT_EQ(q->FieldsDisplayWidth(), TIB_StringList{"NUMS.LABEL=210"});
}

} // namespace
} // namespace varnel::dstest

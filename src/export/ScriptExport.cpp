#include "export/ScriptExport.h"

#include "catalogue/Catalogue.h"
#include "db/IB_Connection.h"
#include "export/TextFile.h"

#include <optional>
#include <vector>

namespace {

using varnel::db::TIB_Dataset;

std::optional<std::string> Description(TIB_Dataset& d)
{
    varnel::db::TIB_Column& c = d.FieldByName("RDB$DESCRIPTION");
    if (c.IsNull())
        return std::nullopt;
    return c.AsString();
}

TScriptForm FormOf(TIB_Dataset& query)
{
    varnel::db::TIB_Connection& c = *query.IB_Connection();
    return TScriptForm::For(static_cast<int>(c.Characteristics().ODSMajorVersion), c.SQLDialect());
}

// The columns one kind of block reads.
struct TBlockColumns {
    TDescribedObject Kind;
    const char* Name;        // the object's name in the master
    const char* Owner;       // the owner's name in the detail
    const char* MemberName;  // the member's name in the detail
};

constexpr TBlockColumns kTableBlock = {TDescribedObject::Table, "RDB$RELATION_NAME", "RDB$RELATION_NAME",
                                       "RDB$FIELD_NAME"};
constexpr TBlockColumns kViewBlock = {TDescribedObject::View, "RDB$RELATION_NAME", "RDB$RELATION_NAME",
                                      "RDB$FIELD_NAME"};
constexpr TBlockColumns kProcedureBlock = {TDescribedObject::Procedure, "RDB$PROCEDURE_NAME", "RDB$PROCEDURE_NAME",
                                           "RDB$PARAMETER_NAME"};

void WriteBlock(const TBlockColumns& b, TTextFile& out, TIB_Dataset& master, TIB_Dataset& detail)
{
    const std::string name = master.FieldByName(b.Name).AsString();
    const std::optional<std::string> description = Description(master);
    std::vector<TDescribedMember> members;
    for (; !detail.Eof(); detail.Next())
        members.push_back({detail.FieldByName(b.Owner).AsString(), detail.FieldByName(b.MemberName).AsString(),
                           Description(detail)});
    out.Write(DescriptionBlockText(FormOf(master), b.Kind, name, description, members));
}

using TBlockWriter = void (*)(TTextFile&, TIB_Dataset&, TIB_Dataset&);

// One section of the whole script: its progress name, its comment line
// and the block writer of its objects.
struct TScriptSection {
    const char* Title;
    const char* Comment;
    TBlockWriter Writer;
};

void Section(const TScriptSection& s, TTextFile& out, TIB_Dataset& master, TIB_Dataset& detail,
             const TExportProgress& progress)
{
    if (progress)
        progress(s.Title, 0);
    out.WriteLine(s.Comment);
    out.WriteLine();
    master.Open();
    detail.Open();
    for (int n = 1; !master.Eof(); ++n) {
        s.Writer(out, master, detail);
        if (progress)
            progress(s.Title, n);
        master.Next();
    }
    detail.Close();
    master.Close();
}

} // namespace

void WriteTableDescriptions(TTextFile& Out, TIB_Dataset& Master, TIB_Dataset& Detail)
{
    WriteBlock(kTableBlock, Out, Master, Detail);
}

void WriteViewDescriptions(TTextFile& Out, TIB_Dataset& Master, TIB_Dataset& Detail)
{
    WriteBlock(kViewBlock, Out, Master, Detail);
}

void WriteProcedureDescriptions(TTextFile& Out, TIB_Dataset& Master, TIB_Dataset& Detail)
{
    WriteBlock(kProcedureBlock, Out, Master, Detail);
}

void ScriptExport(TCatalogue& Catalogue, const std::string& FileName, const TExportProgress& Progress)
{
    TExportQueriesScope queries(Catalogue);
    TTextFile out(FileName);
    varnel::db::TIB_Connection& c = *Catalogue.TableExportQuery.IB_Connection();
    const std::string date = ScriptDate();
    for (const std::string& line :
         ScriptBannerLines(c.Path(), date, static_cast<int>(c.Characteristics().ODSMajorVersion)))
        out.WriteLine(line);
    out.WriteLine();
    Section({"Tables", "/* Tables */", WriteTableDescriptions}, out, Catalogue.TableExportQuery,
            Catalogue.FieldExportQuery, Progress);
    Section({"Views", "/* Views */", WriteViewDescriptions}, out, Catalogue.ViewExportQuery,
            Catalogue.ViewFieldExportQuery, Progress);
    Section({"Procedures", "/* Procedures */", WriteProcedureDescriptions}, out, Catalogue.ProcedureExportQuery,
            Catalogue.ParamsExportQuery, Progress);
    out.WriteLine("COMMIT;");
    out.WriteLine();
    out.Close();
}

bool ObjectScriptExport(TCatalogue& Catalogue, TDescribedObject Kind, const std::string& Name,
                        const std::string& FileName)
{
    TExportQueriesScope queries(Catalogue);
    TTextFile out(FileName);
    TIB_Dataset* master = nullptr;
    TIB_Dataset* detail = nullptr;
    const TBlockColumns* block = nullptr;
    switch (Kind) {
    case TDescribedObject::Table:
        master = &Catalogue.TableExportQuery;
        detail = &Catalogue.FieldExportQuery;
        block = &kTableBlock;
        break;
    case TDescribedObject::View:
        master = &Catalogue.ViewExportQuery;
        detail = &Catalogue.ViewFieldExportQuery;
        block = &kViewBlock;
        break;
    case TDescribedObject::Procedure:
        master = &Catalogue.ProcedureExportQuery;
        detail = &Catalogue.ParamsExportQuery;
        block = &kProcedureBlock;
        break;
    }
    master->Open();
    const bool found = master->Locate(block->Name, {Name});
    detail->Open();
    // An object dropped since the list was read: no block.
    if (found)
        WriteBlock(*block, out, *master, *detail);
    detail->Close();
    master->Close();
    out.Close();
    return found;
}

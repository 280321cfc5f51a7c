#include "export/HTMLExport.h"

#include "catalogue/Catalogue.h"
#include "export/HTMLText.h"
#include "export/TOCSplice.h"
#include "export/TextFile.h"
#include "settings/DocSettings.h"

#include <array>
#include <cstdint>
#include <memory>

namespace {

using varnel::db::TIB_Dataset;

// What differs between the three sections.
struct TSectionSettings {
    const char* Title; // for the progress report
    Setting Include;
    Setting BeforeCaption, Caption, AfterCaption;
    Setting BeforeName, AfterName;
    Setting BeforeDesc, AfterDesc;
    Setting TableStart, TableEnd;
    Setting IncludeSource, BeforeSource, AfterSource;
    const char* NameColumn;
};

constexpr TSectionSettings kTables = {
    "Tables",
    Setting::Tables_IncludeInHTML,
    Setting::Tables_BeforeCaption, Setting::Tables_Caption, Setting::Tables_AfterCaption,
    Setting::Tables_BeforeTableName, Setting::Tables_AfterTableName,
    Setting::Tables_BeforeTableDesc, Setting::Tables_AfterTableDesc,
    Setting::Tables_FieldTableStart, Setting::Tables_FieldTableEnd,
    // Tables have no source block; these are never read.
    Setting::Tables_IncludeInHTML, Setting::Tables_IncludeInHTML, Setting::Tables_IncludeInHTML,
    "RDB$RELATION_NAME",
};

constexpr TSectionSettings kViews = {
    "Views",
    Setting::Views_IncludeInHTML,
    Setting::Views_BeforeCaption, Setting::Views_Caption, Setting::Views_AfterCaption,
    Setting::Views_BeforeTableName, Setting::Views_AfterTableName,
    Setting::Views_BeforeTableDesc, Setting::Views_AfterTableDesc,
    Setting::Views_FieldTableStart, Setting::Views_FieldTableEnd,
    Setting::Views_IncludeSource, Setting::Views_BeforeSource, Setting::Views_AfterSource,
    "RDB$RELATION_NAME",
};

constexpr TSectionSettings kProcedures = {
    "Procedures",
    Setting::Procedures_IncludeInHTML,
    Setting::Procedures_BeforeCaption, Setting::Procedures_Caption, Setting::Procedures_AfterCaption,
    Setting::Procedures_BeforeProcName, Setting::Procedures_AfterProcName,
    Setting::Procedures_BeforeProcDesc, Setting::Procedures_AfterProcDesc,
    Setting::Procedures_ParamTableStart, Setting::Procedures_ParamTableEnd,
    Setting::Procedures_IncludeSource, Setting::Procedures_BeforeSource, Setting::Procedures_AfterSource,
    "RDB$PROCEDURE_NAME",
};

enum class TSectionKind { Tables, Views, Procedures };

// One run of the export: the document F, the TOC file T (only with the
// TOC on), the anchor counter and the settings as they were at the start.
class THTMLWriter {
public:
    THTMLWriter(const SettingsAccessor& Settings, TCatalogue& Catalogue, const TExportProgress& Progress)
        : FCatalogue(Catalogue), FProgress(Progress)
    {
        for (const SettingInfo& info : SettingsTable())
            FSettings[static_cast<std::size_t>(info.Id)] = Settings.Text(info.Id);
        FTOC = Bool(Setting::TOC_CreateTOC);
    }

    void Export(const std::string& FileName)
    {
        TTextFile f(FileName);
        FF = &f;
        std::unique_ptr<TTextFile> t;
        if (FTOC) {
            t = std::make_unique<TTextFile>(TOCFileName(FileName));
            FT = t.get();
            FT->WriteLine(Text(Setting::TOC_Begin));
        }
        FF->WriteLine(Text(Setting::HTML_Header));
        FN = 1;
        // Position 1 ("Before end") and any value a settings file may
        // hold other than 0 put the TOC before the footer.
        int position = 0;
        const bool afterHeader = ParseSettingNumber(Text(Setting::TOC_Position), position) && position == 0;
        std::uint64_t insertAt = 0;
        if (afterHeader)
            insertAt = FF->Size();

        if (Bool(Setting::Tables_IncludeInHTML))
            Section(kTables, TSectionKind::Tables, FCatalogue.TableExportQuery, FCatalogue.FieldExportQuery);
        if (Bool(Setting::Views_IncludeInHTML))
            Section(kViews, TSectionKind::Views, FCatalogue.ViewExportQuery, FCatalogue.ViewFieldExportQuery);
        if (Bool(Setting::Procedures_IncludeInHTML))
            Section(kProcedures, TSectionKind::Procedures, FCatalogue.ProcedureExportQuery,
                    FCatalogue.ParamsExportQuery);

        if (FTOC)
            FT->WriteLine(Text(Setting::TOC_End));
        if (!afterHeader)
            insertAt = FF->Size();
        FF->WriteLine(Text(Setting::HTML_Footer));
        FF->Close();
        if (FTOC) {
            FT->Close();
            SpliceTOC(FileName, TOCFileName(FileName), MergeFileName(FileName), insertAt);
        }
    }

private:
    const std::string& Text(Setting s) const { return FSettings[static_cast<std::size_t>(s)]; }
    bool Bool(Setting s) const { return Text(s) == "1"; }

    void Anchor()
    {
        if (FTOC)
            FF->Write(HTMLAnchorText(FN));
    }
    void AnchorEnd()
    {
        if (FTOC)
            FF->Write(HTMLAnchorEnd);
    }
    void Link()
    {
        FT->Write(HTMLLinkText(FN));
        ++FN;
    }

    void Section(const TSectionSettings& s, TSectionKind kind, TIB_Dataset& master, TIB_Dataset& detail)
    {
        if (FProgress)
            FProgress(s.Title, 0);
        master.Open();
        detail.Open();
        bool sectionOpened = false;
        if (!master.Eof()) {
            FF->Write(Text(s.BeforeCaption));
            Anchor();
            FF->Write(Text(s.Caption));
            AnchorEnd();
            FF->WriteLine(Text(s.AfterCaption));
            if (FTOC) {
                FT->Write(Text(Setting::TOC_BeforeCaption));
                Link();
                FT->Write(Text(s.Caption));
                FT->Write(HTMLAnchorEnd);
                FT->WriteLine(Text(Setting::TOC_AfterCaption));
                FT->WriteLine(Text(Setting::TOC_ItemBlockStart));
                sectionOpened = true;
            }
        }
        int written = 0;
        while (!master.Eof()) {
            const std::string name = master.FieldByName(s.NameColumn).AsString();
            FF->Write(Text(s.BeforeName));
            Anchor();
            FF->Write(name);
            AnchorEnd();
            FF->WriteLine(Text(s.AfterName));
            if (FTOC) {
                FT->Write(Text(Setting::TOC_BeforeItem));
                Link();
                FT->Write(name);
                FT->Write(HTMLAnchorEnd);
                FT->WriteLine(Text(Setting::TOC_AfterItem));
            }
            FF->Write(Text(s.BeforeDesc));
            FF->Write(Description(master));
            FF->WriteLine(Text(s.AfterDesc));

            detail.First();
            bool tableOpened = false;
            if (!detail.Eof()) {
                FF->WriteLine(Text(s.TableStart));
                tableOpened = true;
            }
            while (!detail.Eof()) {
                DetailRow(kind, detail);
                detail.Next();
            }
            if (tableOpened)
                FF->WriteLine(Text(s.TableEnd));

            if (kind == TSectionKind::Views && Bool(s.IncludeSource))
                SourceBlock(s, FCatalogue.BuildViewSource());
            else if (kind == TSectionKind::Procedures && Bool(s.IncludeSource) &&
                     !master.FieldByName("RDB$PROCEDURE_SOURCE").IsNull())
                SourceBlock(s, FCatalogue.BuildProcedureSource());

            ++written;
            if (FProgress)
                FProgress(s.Title, written);
            master.Next();
        }
        if (sectionOpened)
            FT->WriteLine(Text(Setting::TOC_ItemBlockEnd));
        detail.Close();
        master.Close();
    }

    static std::string Description(TIB_Dataset& row)
    {
        return RenderHTMLDescription(row.FieldByName("RDB$DESCRIPTION").AsString());
    }

    void Cell(Setting start, const std::string& value, Setting end, bool lineEnd)
    {
        FF->Write(Text(start));
        FF->Write(value);
        if (lineEnd)
            FF->WriteLine(Text(end));
        else
            FF->Write(Text(end));
    }

    void DetailRow(TSectionKind kind, TIB_Dataset& d)
    {
        switch (kind) {
        case TSectionKind::Tables:
            Cell(Setting::Tables_FieldColumnStart, d.FieldByName("RDB$FIELD_NAME").AsString(),
                 Setting::Tables_FieldColumnEnd, true);
            Cell(Setting::Tables_TypeColumnStart, d.FieldByName("FIELD_TYPE").AsString(),
                 Setting::Tables_TypeColumnEnd, true);
            Cell(Setting::Tables_NotNullColumnStart, d.FieldByName("MANDATORY").AsString(),
                 Setting::Tables_NotNullColumnEnd, true);
            Cell(Setting::Tables_DescriptionColumnStart, Description(d), Setting::Tables_DescriptionColumnEnd, true);
            break;
        case TSectionKind::Views:
            Cell(Setting::Views_FieldColumnStart, d.FieldByName("RDB$FIELD_NAME").AsString(),
                 Setting::Views_FieldColumnEnd, true);
            Cell(Setting::Views_BaseTableStart, d.FieldByName("BASE_TABLE").AsString(), Setting::Views_BaseTableEnd,
                 true);
            Cell(Setting::Views_BaseFieldStart, d.FieldByName("RDB$BASE_FIELD").AsString(),
                 Setting::Views_BaseFieldEnd, true);
            Cell(Setting::Views_DescriptionColumnStart, Description(d), Setting::Views_DescriptionColumnEnd, true);
            break;
        case TSectionKind::Procedures:
            // Only the type cell ends a line: each parameter row goes on
            // where the one before it ended.
            Cell(Setting::Procedures_ParamColumnStart, d.FieldByName("RDB$PARAMETER_NAME").AsString(),
                 Setting::Procedures_ParamColumnEnd, false);
            Cell(Setting::Procedures_ParamTypeColumnStart, d.FieldByName("FIELD_TYPE").AsString(),
                 Setting::Procedures_ParamTypeColumnEnd, true);
            Cell(Setting::Procedures_InOutColumnStart, d.FieldByName("INOUT").AsString(),
                 Setting::Procedures_InOutColumnEnd, false);
            Cell(Setting::Procedures_ParamDescStart, Description(d), Setting::Procedures_ParamDescEnd, false);
            break;
        }
    }

    void SourceBlock(const TSectionSettings& s, const std::string& source)
    {
        FF->WriteLine(Text(s.BeforeSource));
        FF->WriteLine(RenderHTMLSource(source));
        FF->WriteLine(Text(s.AfterSource));
    }

    TCatalogue& FCatalogue;
    const TExportProgress& FProgress;
    std::array<std::string, SettingCount> FSettings;
    bool FTOC = false;
    TTextFile* FF = nullptr;
    TTextFile* FT = nullptr;
    int FN = 1;
};

} // namespace

void HTMLExport(const SettingsAccessor& Settings, TCatalogue& Catalogue, const std::string& FileName,
                const TExportProgress& Progress)
{
    TExportQueriesScope queries(Catalogue);
    THTMLWriter(Settings, Catalogue, Progress).Export(FileName);
}

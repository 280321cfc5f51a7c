#include "export/XMLExport.h"

#include "catalogue/Catalogue.h"
#include "db/IB_Connection.h"
#include "export/SourceLines.h"
#include "xml/XMLFile.h"

namespace {

using varnel::db::TIB_Dataset;

std::string Value(TIB_Dataset& d, const char* column) { return d.FieldByName(column).AsString(); }

void WriteSource(TXMLFile& out, const std::string& source)
{
    out.StartElement("source");
    for (const std::string& line : SplitSourceLines(source))
        out.WriteElement("src", line);
    out.EndElement("source");
}

// One run of the export: walks the three pairs of export queries and
// writes their rows into the writer. Owns neither.
class TXMLWriter {
public:
    TXMLWriter(TCatalogue& Catalogue, TXMLFile& Out, const TExportProgress& Progress)
        : C(Catalogue), X(Out), FProgress(Progress)
    {
    }

    void Export()
    {
        X.StartRoot("database");
        X.WriteElement("database_name", C.TableExportQuery.IB_Connection()->Path());
        Tables();
        Views();
        Procedures();
    }

private:
    void Report(const char* section, int objects)
    {
        if (FProgress)
            FProgress(section, objects);
    }

    void Tables()
    {
        TIB_Dataset& m = C.TableExportQuery;
        TIB_Dataset& d = C.FieldExportQuery;
        Report("Tables", 0);
        m.Open();
        d.Open();
        if (!m.Eof()) {
            X.StartElement("tables");
            for (int n = 1; !m.Eof(); ++n) {
                X.StartElement("table");
                X.WriteElement("table_name", Value(m, "RDB$RELATION_NAME"));
                X.WriteElement("table_description", Value(m, "RDB$DESCRIPTION"));
                X.StartElement("table_fields");
                for (d.First(); !d.Eof(); d.Next()) {
                    const bool notNull = d.FieldByName("RDB$NULL_FLAG").AsInteger() > 0 ||
                                         d.FieldByName("NULL_FLAG2").AsInteger() > 0;
                    X.StartElement("table_field");
                    X.WriteElement("table_field_name", Value(d, "RDB$FIELD_NAME"));
                    X.WriteElement("table_field_type", Value(d, "FIELD_TYPE"));
                    X.WriteElement("table_field_not_null", notNull ? "1" : "0");
                    X.WriteElement("table_field_description", Value(d, "RDB$DESCRIPTION"));
                    X.EndElement("table_field");
                }
                X.EndElement("table_fields");
                X.EndElement("table");
                Report("Tables", n);
                m.Next();
            }
            X.EndElement("tables");
        }
        d.Close();
        m.Close();
    }

    void Views()
    {
        TIB_Dataset& m = C.ViewExportQuery;
        TIB_Dataset& d = C.ViewFieldExportQuery;
        Report("Views", 0);
        m.Open();
        d.Open();
        if (!m.Eof()) {
            X.StartElement("views");
            for (int n = 1; !m.Eof(); ++n) {
                X.StartElement("view");
                X.WriteElement("view_name", Value(m, "RDB$RELATION_NAME"));
                X.WriteElement("view_description", Value(m, "RDB$DESCRIPTION"));
                X.StartElement("view_fields");
                for (d.First(); !d.Eof(); d.Next()) {
                    X.StartElement("view_field");
                    X.WriteElement("view_field_name", Value(d, "RDB$FIELD_NAME"));
                    X.WriteElement("view_field_base_table", Value(d, "BASE_TABLE"));
                    X.WriteElement("view_field_base_field", Value(d, "RDB$BASE_FIELD"));
                    X.WriteElement("view_field_description", Value(d, "RDB$DESCRIPTION"));
                    X.EndElement("view_field");
                }
                X.EndElement("view_fields");
                if (!m.FieldByName("RDB$VIEW_SOURCE").IsNull())
                    WriteSource(X, C.BuildViewSource());
                X.EndElement("view");
                Report("Views", n);
                m.Next();
            }
            X.EndElement("views");
        }
        d.Close();
        m.Close();
    }

    void Procedures()
    {
        TIB_Dataset& m = C.ProcedureExportQuery;
        TIB_Dataset& d = C.ParamsExportQuery;
        Report("Procedures", 0);
        m.Open();
        d.Open();
        if (!m.Eof()) {
            X.StartElement("procedures");
            for (int n = 1; !m.Eof(); ++n) {
                X.StartElement("procedure");
                X.WriteElement("procedure_name", Value(m, "RDB$PROCEDURE_NAME"));
                X.WriteElement("procedure_description", Value(m, "RDB$DESCRIPTION"));
                X.StartElement("procedure_parameters");
                for (d.First(); !d.Eof(); d.Next()) {
                    const bool input = d.FieldByName("RDB$PARAMETER_TYPE").AsInteger() == 0;
                    X.StartElement("procedure_parameter");
                    X.WriteElement("procedure_parameter_name", Value(d, "RDB$PARAMETER_NAME"));
                    X.WriteElement("procedure_parameter_type", Value(d, "FIELD_TYPE"));
                    X.WriteElement("procedure_parameter_inout", input ? "INPUT" : "OUTPUT");
                    X.WriteElement("procedure_parameter_description", Value(d, "RDB$DESCRIPTION"));
                    X.EndElement("procedure_parameter");
                }
                X.EndElement("procedure_parameters");
                if (!m.FieldByName("RDB$PROCEDURE_SOURCE").IsNull())
                    WriteSource(X, C.BuildProcedureSource());
                X.EndElement("procedure");
                Report("Procedures", n);
                m.Next();
            }
            X.EndElement("procedures");
        }
        d.Close();
        m.Close();
    }

    TCatalogue& C;
    TXMLFile& X;
    const TExportProgress& FProgress;
};

} // namespace

void XMLExport(TCatalogue& Catalogue, TXMLFile& Out, const TExportProgress& Progress)
{
    TExportQueriesScope queries(Catalogue);
    TXMLWriter(Catalogue, Out, Progress).Export();
}

void XMLExport(TCatalogue& Catalogue, const std::string& FileName, const TExportProgress& Progress)
{
    TXMLFile out(FileName, "1.0", "ISO-8859-1", "");
    XMLExport(Catalogue, out, Progress);
    out.Close();
}

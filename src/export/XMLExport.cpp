#include "export/XMLExport.h"

#include "catalogue/Catalogue.h"
#include "db/IB_Connection.h"
#include "export/SourceLines.h"
#include "xml/XMLFile.h"

#include <cstdio>

namespace {

using varnel::db::TIB_Dataset;

std::string Value(TIB_Dataset& d, const char* column) { return d.FieldByName(column).AsString(); }

// XML 1.0 has no way to carry NUL or a C0 control character other than
// TAB, LF and CR, not even as a character reference: a document holding
// one is refused by every reader. Such a value stops the export with an
// error naming it instead (the document then ends with the end tags of
// what was open, as after any other error).
void CheckXMLText(const char* element, const std::string& value, const char* kind, const std::string& name)
{
    for (unsigned char c : value) {
        if (c >= 0x20 || c == '\t' || c == '\n' || c == '\r')
            continue;
        char code[8];
        std::snprintf(code, sizeof code, "0x%02X", c);
        throw EXMLError(std::string("Cannot write the ") + element + " of " + kind + " " + name +
                        ": it holds the character " + code + ", which XML 1.0 cannot carry");
    }
}

void Put(TXMLFile& out, const char* element, const std::string& value, const char* kind, const std::string& name)
{
    CheckXMLText(element, value, kind, name);
    out.WriteElement(element, value);
}

void WriteSource(TXMLFile& out, const std::string& source, const char* kind, const std::string& name)
{
    out.StartElement("source");
    for (const std::string& line : SplitSourceLines(source))
        Put(out, "src", line, kind, name);
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
        const std::string path = C.TableExportQuery.IB_Connection()->Path();
        Put(X, "database_name", path, "database", path);
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
                const std::string table = Value(m, "RDB$RELATION_NAME");
                Put(X, "table_name", table, "table", table);
                Put(X, "table_description", Value(m, "RDB$DESCRIPTION"), "table", table);
                X.StartElement("table_fields");
                for (d.First(); !d.Eof(); d.Next()) {
                    const bool notNull = d.FieldByName("RDB$NULL_FLAG").AsInteger() > 0 ||
                                         d.FieldByName("NULL_FLAG2").AsInteger() > 0;
                    X.StartElement("table_field");
                    const std::string field = table + "." + Value(d, "RDB$FIELD_NAME");
                    Put(X, "table_field_name", Value(d, "RDB$FIELD_NAME"), "column", field);
                    Put(X, "table_field_type", Value(d, "FIELD_TYPE"), "column", field);
                    X.WriteElement("table_field_not_null", notNull ? "1" : "0");
                    Put(X, "table_field_description", Value(d, "RDB$DESCRIPTION"), "column", field);
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
                const std::string view = Value(m, "RDB$RELATION_NAME");
                Put(X, "view_name", view, "view", view);
                Put(X, "view_description", Value(m, "RDB$DESCRIPTION"), "view", view);
                X.StartElement("view_fields");
                for (d.First(); !d.Eof(); d.Next()) {
                    X.StartElement("view_field");
                    const std::string field = view + "." + Value(d, "RDB$FIELD_NAME");
                    Put(X, "view_field_name", Value(d, "RDB$FIELD_NAME"), "column", field);
                    Put(X, "view_field_base_table", Value(d, "BASE_TABLE"), "column", field);
                    Put(X, "view_field_base_field", Value(d, "RDB$BASE_FIELD"), "column", field);
                    Put(X, "view_field_description", Value(d, "RDB$DESCRIPTION"), "column", field);
                    X.EndElement("view_field");
                }
                X.EndElement("view_fields");
                if (!m.FieldByName("RDB$VIEW_SOURCE").IsNull())
                    WriteSource(X, C.BuildViewSource(), "view", view);
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
                const std::string procedure = Value(m, "RDB$PROCEDURE_NAME");
                Put(X, "procedure_name", procedure, "procedure", procedure);
                Put(X, "procedure_description", Value(m, "RDB$DESCRIPTION"), "procedure", procedure);
                X.StartElement("procedure_parameters");
                for (d.First(); !d.Eof(); d.Next()) {
                    const bool input = d.FieldByName("RDB$PARAMETER_TYPE").AsInteger() == 0;
                    X.StartElement("procedure_parameter");
                    const std::string parameter = procedure + "." + Value(d, "RDB$PARAMETER_NAME");
                    Put(X, "procedure_parameter_name", Value(d, "RDB$PARAMETER_NAME"), "parameter", parameter);
                    Put(X, "procedure_parameter_type", Value(d, "FIELD_TYPE"), "parameter", parameter);
                    X.WriteElement("procedure_parameter_inout", input ? "INPUT" : "OUTPUT");
                    Put(X, "procedure_parameter_description", Value(d, "RDB$DESCRIPTION"), "parameter", parameter);
                    X.EndElement("procedure_parameter");
                }
                X.EndElement("procedure_parameters");
                if (!m.FieldByName("RDB$PROCEDURE_SOURCE").IsNull())
                    WriteSource(X, C.BuildProcedureSource(), "procedure", procedure);
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

#pragma once
// The CREATE VIEW / CREATE PROCEDURE text rebuilt from catalogue values.
// Line separators inside the built text are single LFs; the stored source
// keeps its own line ends.
#include <optional>
#include <string>
#include <vector>

// Appends "AS" and the stored source. A null source appends nothing after
// "AS". A source that is not empty and does not begin with a blank, tab, CR
// or LF (as Firebird 3 and later store it) gets one LF after "AS", so the
// text stays valid DDL; any other source follows "AS" directly.
void AppendSourceBody(std::string& Text, const std::optional<std::string>& Source);

// Builds "CREATE VIEW name" with its column list, fed one column at a time
// in field-position order (the walk over the view's column query).
class TViewSourceBuilder {
public:
    explicit TViewSourceBuilder(const std::string& ViewName);
    void AddColumn(const std::string& FieldName);
    // The finished text: the list closed with ")" when it has a column
    // (without columns the "(" line stays open), then AppendSourceBody.
    std::string Finish(const std::optional<std::string>& Source) const;

private:
    std::string FText;
    bool FAny = false;
};

// Builds "CREATE PROCEDURE name" with its input list and RETURNS list, fed
// one parameter at a time in query order (inputs first, then outputs).
class TProcedureSourceBuilder {
public:
    explicit TProcedureSourceBuilder(const std::string& ProcedureName);
    // ParameterType 0 is an input, 1 an output; any other value is skipped.
    // TypeText is the parameter's FIELD_TYPE.
    void AddParameter(const std::string& Name, const std::string& TypeText, int ParameterType);
    std::string Finish(const std::optional<std::string>& Source) const;

private:
    std::string FText;
    bool FNoInput = true;
    bool FNoOutput = true;
};

struct TProcedureParameterText {
    std::string Name;     // RDB$PARAMETER_NAME
    std::string TypeText; // FIELD_TYPE
    int ParameterType = 0; // RDB$PARAMETER_TYPE
};

// The same builds over collected values.
std::string BuildViewSourceText(const std::string& ViewName,
                                const std::vector<std::string>& FieldNames,
                                const std::optional<std::string>& Source);
std::string BuildProcedureSourceText(const std::string& ProcedureName,
                                     const std::vector<TProcedureParameterText>& Parameters,
                                     const std::optional<std::string>& Source);

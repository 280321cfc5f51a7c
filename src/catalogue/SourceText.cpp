#include "catalogue/SourceText.h"

namespace {

// Every list line ends ",\n"; closing a list drops the last one's comma.
void CloseList(std::string& Text)
{
    Text.erase(Text.size() - 2);
    Text += "\n)\n";
}

} // namespace

void AppendSourceBody(std::string& Text, const std::optional<std::string>& Source)
{
    Text += "AS";
    if (!Source)
        return;
    if (!Source->empty()) {
        char c = Source->front();
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            Text += '\n';
    }
    Text += *Source;
}

TViewSourceBuilder::TViewSourceBuilder(const std::string& ViewName)
    : FText("CREATE VIEW " + ViewName + "\n(\n")
{
}

void TViewSourceBuilder::AddColumn(const std::string& FieldName)
{
    FText += "  ";
    FText += FieldName;
    FText += ",\n";
    FAny = true;
}

std::string TViewSourceBuilder::Finish(const std::optional<std::string>& Source) const
{
    std::string text = FText;
    if (FAny)
        CloseList(text);
    AppendSourceBody(text, Source);
    return text;
}

TProcedureSourceBuilder::TProcedureSourceBuilder(const std::string& ProcedureName)
    : FText("CREATE PROCEDURE " + ProcedureName + "\n")
{
}

void TProcedureSourceBuilder::AddParameter(const std::string& Name, const std::string& TypeText,
                                           int ParameterType)
{
    if (ParameterType == 0) {
        if (FNoInput) {
            FText += "(\n";
            FNoInput = false;
        }
    } else if (ParameterType == 1) {
        if (FNoOutput) {
            if (!FNoInput)
                CloseList(FText);
            FText += "RETURNS\n(\n";
            FNoOutput = false;
        }
    } else {
        return;
    }
    FText += "  ";
    FText += Name;
    FText += "  ";
    FText += TypeText;
    FText += ",\n";
}

std::string TProcedureSourceBuilder::Finish(const std::optional<std::string>& Source) const
{
    std::string text = FText;
    if (!FNoInput || !FNoOutput)
        CloseList(text);
    AppendSourceBody(text, Source);
    return text;
}

std::string BuildViewSourceText(const std::string& ViewName,
                                const std::vector<std::string>& FieldNames,
                                const std::optional<std::string>& Source)
{
    TViewSourceBuilder b(ViewName);
    for (const auto& f : FieldNames)
        b.AddColumn(f);
    return b.Finish(Source);
}

std::string BuildProcedureSourceText(const std::string& ProcedureName,
                                     const std::vector<TProcedureParameterText>& Parameters,
                                     const std::optional<std::string>& Source)
{
    TProcedureSourceBuilder b(ProcedureName);
    for (const auto& p : Parameters)
        b.AddParameter(p.Name, p.TypeText, p.ParameterType);
    return b.Finish(Source);
}

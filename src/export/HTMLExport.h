#pragma once
// The HTML documentation export: the reference manual of the database,
// every piece of mark-up taken from the documentation settings and every
// other text from the catalogue's export queries.
#include "export/ExportProgress.h"

#include <string>

class SettingsAccessor;
class TCatalogue;

// Writes the document FileName (created or truncated): the header, the
// sections whose [..] IncludeInHTML is set (tables, views, procedures,
// each in name order with its field or parameter table and, when asked
// for, the rebuilt source), the footer. With [TOC] CreateTOC the entries
// and their numbered anchors are written as well: the table of contents
// goes to FileName's ".toc" sibling while the document is written and is
// spliced in through the ".tmp" sibling at the end, right after the header
// ([TOC] Position 0) or right before the footer (1, and any other value).
//
// The settings are read once, when the export starts. Raises EFileError
// "Could not create file <full path>" when the document or the TOC file
// cannot be created, EFileError naming the file when a write or the splice
// fails (the document and the TOC file then keep what they hold), and the
// client layer's errors as they come. The export queries are closed on
// every way out.
void HTMLExport(const SettingsAccessor& Settings, TCatalogue& Catalogue, const std::string& FileName,
                const TExportProgress& Progress = {});

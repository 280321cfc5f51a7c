#pragma once
// The XML export: every table, view and procedure of the catalogue with
// its fields or parameters, types, NOT NULL marks, descriptions and
// rebuilt sources, as one document with fixed element names.
#include "export/ExportProgress.h"

#include <string>

class TCatalogue;
class TXMLFile;

// Writes the document into Out, whose declaration is written already:
// the root "database" with "database_name" (the connection's PATH), then
// "tables", "views" and "procedures", each only when its list has rows.
// Every element it starts it also ends, except the root, which Out's
// Close() (or, after an error, its destructor) ends. The export queries
// are closed on every way out; errors of the client layer and of the
// writer pass through. A value holding NUL or a C0 control character other
// than TAB, LF and CR (which XML 1.0 cannot carry in any form) raises
// EXMLError naming the element and the object or member.
void XMLExport(TCatalogue& Catalogue, TXMLFile& Out, const TExportProgress& Progress = {});

// Opens FileName with version "1.0", encoding "ISO-8859-1" and no extra
// part before anything is read from the database (raises "Could not open
// file <FileName>"), writes the document and closes the file, raising
// EXMLError when the file cannot be written completely. After an error the
// file ends with the end tags of every element that was open.
void XMLExport(TCatalogue& Catalogue, const std::string& FileName, const TExportProgress& Progress = {});

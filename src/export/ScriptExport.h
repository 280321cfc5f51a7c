#pragma once
// The SQL description scripts: the whole database's and one object's.
// They carry every description of the catalogue to another database with
// the same schema, as COMMENT ON statements on Firebird 3 and later
// (on-disk structure 12 or more) and as UPDATEs of the system tables on
// older structures (see SQLScript.h for the statements).
#include "export/ExportProgress.h"
#include "export/SQLScript.h"

#include <string>

class TCatalogue;
class TTextFile;

namespace varnel::db {
class TIB_Dataset;
}

// Block writers: the block of the master's current row (a table, view or
// procedure export query) and of its detail's rows from the detail's
// current row on, walked with Next until Eof (no First: a freshly opened
// or re-linked detail stands on the first row of its master's row). The
// statements' form follows the master's connection. Raise EScriptError
// for a description the form cannot carry, before anything of the block
// is written.
void WriteTableDescriptions(TTextFile& Out, varnel::db::TIB_Dataset& Master, varnel::db::TIB_Dataset& Detail);
void WriteViewDescriptions(TTextFile& Out, varnel::db::TIB_Dataset& Master, varnel::db::TIB_Dataset& Detail);
void WriteProcedureDescriptions(TTextFile& Out, varnel::db::TIB_Dataset& Master,
                                varnel::db::TIB_Dataset& Detail);

// The whole script into FileName (created or truncated; "Could not create
// file <full path>"): the banner with the connection's PATH and the date
// (ScriptDate()), then the blocks of every table, view and procedure in
// name order under their section comments, then "COMMIT;". Write failures
// raise EFileError naming the file; errors of the client layer pass
// through, the file keeping what was written. The export queries are
// closed on every way out.
void ScriptExport(TCatalogue& Catalogue, const std::string& FileName, const TExportProgress& Progress = {});

// The block of one object into FileName (no banner, no section comment).
// The export master is searched for Name exactly as its name column reads
// (trimmed). Returns false when there is no such object: the file is then
// left empty.
bool ObjectScriptExport(TCatalogue& Catalogue, TDescribedObject Kind, const std::string& Name,
                        const std::string& FileName);

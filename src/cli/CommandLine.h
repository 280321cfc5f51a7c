#pragma once
// The command line of varnel-export, parsed into what to export.
#include "export/SQLScript.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

// One --object-sql request: the script of one table, view or procedure.
struct TObjectScriptRequest {
    TDescribedObject Kind = TDescribedObject::Table;
    std::string Name;
    std::string FileName;
};

// Everything one run exports, and how it connects.
struct TExportRequest {
    std::string Database; // file path (embedded engine) or host[/port]:path
    std::string User;
    std::string Password;
    std::string Role;
    std::string SettingsFile; // empty: the form defaults
    bool SystemData = false;  // show system tables whatever the settings say
    std::string HTMLFile, XMLFile, SQLFile;
    std::vector<TObjectScriptRequest> ObjectScripts;
};

enum class TCommandKind { Export, Help, Version, UsageError };

struct TCommand {
    TCommandKind Kind = TCommandKind::UsageError;
    TExportRequest Request; // for Export
    std::string Error;      // for UsageError; never holds the password
};

// The usage lines and the longer help text.
const char* UsageText();
const char* HelpText();

// Parses the arguments (without the program name). Options take their
// value as the next argument, attached to a one-letter option ("-uSYSDBA")
// or after "=" for a long one ("--html=doc.html"). Without -u the user is
// ISC_USER, else "SYSDBA"; without -p the password is ISC_PASSWORD; Env
// reads the environment (null: not set).
TCommand ParseCommandLine(const std::vector<std::string>& Args,
                          const std::function<const char*(const char*)>& Env);

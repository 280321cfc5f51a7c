#pragma once
// One run of varnel-export: connects, writes every document asked for,
// disconnects.
#include "cli/CommandLine.h"

#include <cstdio>
#include <string>
#include <vector>

// Shows the progress of the exports on one terminal line, each report
// overwriting the one before. Writes nothing unless Enabled.
class TProgressLine {
public:
    TProgressLine(std::FILE* Out, bool Enabled) : FOut(Out), FEnabled(Enabled) {}
    ~TProgressLine() { Clear(); }
    TProgressLine(const TProgressLine&) = delete;
    TProgressLine& operator=(const TProgressLine&) = delete;

    void Show(const std::string& Text);
    // Blanks the line and returns to its start (before an error message).
    void Clear();

private:
    std::FILE* FOut;
    bool FEnabled;
    std::size_t FShown = 0;
};

// Connects to Request.Database with the request's user, password and role
// (no prompt; a file path attaches through the embedded engine), loads the
// settings file when one is named (it must exist), writes the HTML, XML
// and SQL documents and then each object script, in that order. Returns
// 0 when everything was written, 1 when an error ended the run; the
// error's message goes to Err. Progress goes to Err only when Terminal.
int RunExportRequest(const TExportRequest& Request, std::FILE* Err, bool Terminal);

// The program: parses Args (without the program name), answers --help and
// --version on Out, reports a usage error with the usage text on Err
// (status 2), else runs the request. Progress is shown when Err is a
// terminal.
int VarnelExportMain(const std::vector<std::string>& Args, std::FILE* Out, std::FILE* Err);

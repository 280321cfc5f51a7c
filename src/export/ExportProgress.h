#pragma once
// Progress of an export and the scope that leaves the export queries
// closed however an export ends.
#include <functional>
#include <string>

class TCatalogue;

// Called when an export starts a section ("Tables", "Views",
// "Procedures"; Objects 0) and after each object it wrote (Objects: the
// objects of that section written so far).
using TExportProgress = std::function<void(const std::string& Section, int Objects)>;

// Closes the six export queries when constructed, so that every list of
// the export starts at its first row, and again when it goes, on every way
// out of the export (a failed export leaves no open query behind). Does
// not own the catalogue.
class TExportQueriesScope {
public:
    explicit TExportQueriesScope(TCatalogue& Catalogue);
    ~TExportQueriesScope();
    TExportQueriesScope(const TExportQueriesScope&) = delete;
    TExportQueriesScope& operator=(const TExportQueriesScope&) = delete;

private:
    TCatalogue& FCatalogue;
};

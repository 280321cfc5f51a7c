#pragma once
// Shared helpers of the data-aware controls (TIB_Grid, TIB_Memo): the
// Latin-1 boundary between the core's std::string and Qt, and the error
// report of a control. Qt event handlers cannot let an exception through,
// so a control catches what the dataset layer raises inside a user action
// and hands it to the session's show-exception hook, which is the
// application's top-level error display.
#include <QString>

#include <exception>
#include <stdexcept>
#include <string>

namespace varnel::db {
class TIB_DataLink;
class TIB_Dataset;
} // namespace varnel::db

namespace varnel::ui {

// ISO-8859-1 bytes to QString and back (characters beyond Latin-1 become "?").
QString Latin1(const std::string& s);
std::string Latin1(const QString& s);

// Reports an error of a control through the session of the dataset (or the
// thread's default session when the control has none). Never throws.
void ReportError(const varnel::db::TIB_Dataset* dataset, const std::exception& e) noexcept;
void ReportError(const varnel::db::TIB_DataLink& link, const std::exception& e) noexcept;
// Runs f and reports whatever it raises; true when it ran through.
template <class F> bool Guarded(const varnel::db::TIB_DataLink& link, F&& f) noexcept
{
    try {
        f();
        return true;
    } catch (const std::exception& e) {
        ReportError(link, e);
    } catch (...) {
        ReportError(link, std::runtime_error("Unknown error"));
    }
    return false;
}

} // namespace varnel::ui

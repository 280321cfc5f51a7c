#include "ui/IB_Controls.h"

#include "dataset/IB_DataSource.h"
#include "dataset/IB_Dataset.h"
#include "db/IB_Session.h"

#include <QByteArray>

namespace varnel::ui {

QString Latin1(const std::string& s) { return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size())); }

std::string Latin1(const QString& s)
{
    const QByteArray b = s.toLatin1();
    return std::string(b.constData(), static_cast<size_t>(b.size()));
}

void ReportError(const varnel::db::TIB_Dataset* dataset, const std::exception& e) noexcept
{
    try {
        if (dataset)
            dataset->Session().ShowException(e);
        else
            varnel::db::TIB_Session::Default()->ShowException(e);
    } catch (...) {
        // The error display itself failed: nothing left to tell.
    }
}

void ReportError(const varnel::db::TIB_DataLink& link, const std::exception& e) noexcept
{
    ReportError(link.Dataset(), e);
}

} // namespace varnel::ui

#include "app/QtDialogs.h"

#include "ui/dlgLogin.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>

QString QtNameFilter(const TFileFilter& filter)
{
    QString description = QString::fromLatin1(filter.Description).trimmed();
    if (description.endsWith(u')')) {
        qsizetype open = description.lastIndexOf(u'(');
        if (open >= 0)
            description = description.left(open).trimmed();
    }
    QStringList patterns;
    for (const QString& p : QString::fromLatin1(filter.Pattern).split(u';', Qt::SkipEmptyParts))
        patterns << (p.trimmed() == QLatin1String("*.*") ? QStringLiteral("*") : p.trimmed());
    return description + QStringLiteral(" (") + patterns.join(u' ') + u')';
}

bool TQtDialogs::Execute(TFileDialog& d)
{
    QFileDialog dlg(FParent, QString::fromLatin1(d.Title));
    dlg.setObjectName(QString::fromLatin1(d.Name));
    dlg.setAcceptMode(d.Kind == TFileDialogKind::Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(d.Kind == TFileDialogKind::Open && !d.AcceptMissingFile ? QFileDialog::ExistingFile
                                                                             : QFileDialog::AnyFile);
    QStringList filters;
    for (const TFileFilter& f : d.Filters)
        filters << QtNameFilter(f);
    dlg.setNameFilters(filters);
    QString ext = QString::fromLatin1(d.DefaultExt);
    if (ext.startsWith(u'.'))
        ext.remove(0, 1);
    dlg.setDefaultSuffix(ext);
    dlg.setOption(QFileDialog::DontConfirmOverwrite, !d.OverwritePrompt);
    if (!d.FileName.empty()) {
        QFileInfo preset(QFile::decodeName(d.FileName.c_str()));
        dlg.setDirectory(preset.absolutePath());
        dlg.selectFile(preset.fileName());
    } else if (!d.InitialDir.empty()) {
        dlg.setDirectory(QFile::decodeName(d.InitialDir.c_str()));
    }
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return false;
    d.FileName = QFile::encodeName(dlg.selectedFiles().first()).toStdString();
    return true;
}

TMsgResult TQtDialogs::MessageBox(const std::string& text, const std::string& caption, TMsgButtons buttons,
                                  TMsgIcon icon)
{
    QMessageBox box(FParent);
    box.setWindowTitle(QString::fromLatin1(caption));
    box.setText(QString::fromLatin1(text));
    switch (icon) {
    case TMsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case TMsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    case TMsgIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case TMsgIcon::Error: box.setIcon(QMessageBox::Critical); break;
    case TMsgIcon::Question: box.setIcon(QMessageBox::Question); break;
    }
    switch (buttons) {
    case TMsgButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case TMsgButtons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case TMsgButtons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case TMsgButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Ok: return TMsgResult::Ok;
    case QMessageBox::Yes: return TMsgResult::Yes;
    case QMessageBox::No: return TMsgResult::No;
    default: return TMsgResult::Cancel;
    }
}

void TQtDialogs::ShowError(const std::string& message)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Varnel"), QString::fromLatin1(message),
                    QMessageBox::Ok, FParent);
    box.exec();
}

bool TQtDialogs::Login(varnel::db::TIB_Connection& connection)
{
    return varnel::ui::TdlgLogin::Execute(connection, FParent);
}

// Loading and saving the documentation settings of the main window.
#include "app/MainForm.h"

#include "app/SettingsBinding.h"

#include <QFile>

void TMainForm::LoadSettings(const std::string& fileName)
{
    // Assignments run in table order with their controls' side effects; a
    // holder that refuses its value (the connection while attached) stops
    // the load there, before the state below changes.
    LoadSettingsFile(fileName, [this](Setting s, const std::string& held) { FBinding->Assign(s, held); });
    FSettingsChanged = false;
    FSettingsFile = fileName;
    UpdateCaption();
}

void TMainForm::SaveSettings(const std::string& fileName)
{
    SaveSettingsFile(fileName, *FBinding);
    FSettingsChanged = false;
    FSettingsFile = fileName;
}

void TMainForm::UpdateCaption()
{
    setWindowTitle(QStringLiteral("Varnel -- ") + QFile::decodeName(FSettingsFile.c_str()));
}

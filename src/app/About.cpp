#include "app/About.h"

#include "kit/KWURLLabel.h"

#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel* Centred(const QString& text, const char* name, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    l->setTextFormat(Qt::PlainText);
    return l;
}

QFont Bold(QFont f)
{
    f.setBold(true);
    return f;
}

} // namespace

TAboutForm::TAboutForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName("AboutForm");
    setWindowTitle("About Varnel");
    setFixedSize(262, 291);

    ProductName = Centred("Varnel", "ProductName", this);
    ProductName->setFont(QFont("Arial", 14, QFont::Bold));
    ProductTitle = Centred("Firebird Database Documentation", "ProductTitle", this);
    ProductTitle->setFont(Bold(ProductTitle->font()));
    FileVersion = Centred("Version 1.0.11.0", "FileVersion", this);
    TermsNotice = Centred("This program is freeware. You use it\nat your own risk, without any warranty.",
                          "TermsNotice", this);
    UpdatesNotice = Centred("Visit our web site for updates. Please send\nyour suggestions and error reports.",
                            "UpdatesNotice", this);
    CopyrightNotice = Centred(QString::fromLatin1("Copyright \xA9 2001-2005\nOstrel\nAll rights reserved."),
                              "CopyrightNotice", this);

    KWURLLabel1 = new TKWURLLabel("www.ostrel.example", this);
    KWURLLabel1->setObjectName("KWURLLabel1");
    KWURLLabel1->SetURL("https://www.ostrel.example/");
    KWURLLabel2 = new TKWURLLabel("varnel@ostrel.example", this);
    KWURLLabel2->setObjectName("KWURLLabel2");
    KWURLLabel2->SetURL("mailto:varnel@ostrel.example");

    OkButton = new QPushButton("Ok", this);
    OkButton->setObjectName("OkButton");
    OkButton->setDefault(true);
    connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* links = new QHBoxLayout;
    links->addStretch();
    links->addWidget(KWURLLabel1);
    links->addSpacing(12);
    links->addWidget(KWURLLabel2);
    links->addStretch();
    auto* button = new QHBoxLayout;
    button->addStretch();
    button->addWidget(OkButton);
    button->addStretch();

    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(8, 8, 8, 8);
    box->setSpacing(4);
    box->addWidget(ProductName);
    box->addWidget(ProductTitle);
    box->addWidget(FileVersion);
    box->addSpacing(4);
    box->addWidget(TermsNotice);
    box->addWidget(UpdatesNotice);
    box->addWidget(CopyrightNotice);
    box->addLayout(links);
    box->addStretch();
    box->addLayout(button);
}

#include "app/dlgAbout.h"

#include "app/Images.h"

#include <QCoreApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace varnett {

namespace {

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

} // namespace

TAboutBox::TAboutBox(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About"));
    setFixedSize(298, 213);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* icon = new QLabel(panel);
    icon->setObjectName(QStringLiteral("ProgramIcon"));
    icon->setPixmap(images::programIcon().pixmap(32, 32));
    icon->setFixedSize(32, 32);

    ProductName = makeLabel(panel, "ProductName", QStringLiteral("Product Name"));
    Version = makeLabel(panel, "Version", QStringLiteral("Version"));
    Copyright = makeLabel(panel, "Copyright", QStringLiteral("Author"));
    Comments = makeLabel(panel, "Comments", QStringLiteral("Comments"));
    Comments->setWordWrap(true);

    auto* labels = new QVBoxLayout;
    for (QLabel* label : {ProductName, Version, Copyright, Comments})
        labels->addWidget(label);
    labels->addStretch();
    auto* panelLayout = new QHBoxLayout(panel);
    panelLayout->addWidget(icon, 0, Qt::AlignTop);
    panelLayout->addLayout(labels, 1);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(panel, 1);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
}

void TAboutBox::complete(const QString& applicationTitle)
{
    ProductName->setText(ProductName->text() + QStringLiteral(": ") + applicationTitle);
    Version->setText(Version->text() + QStringLiteral(": ") + QCoreApplication::applicationVersion());
    Copyright->setText(Copyright->text() + QStringLiteral(": The Varnett developers"));
    Comments->setText(Comments->text() + QStringLiteral(": Easy way to build stored procedures"));
}

} // namespace varnett

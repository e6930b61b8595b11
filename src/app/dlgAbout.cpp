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
    setWindowTitle(tr("About"));
    setFixedSize(298, 213);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* icon = new QLabel(panel);
    icon->setObjectName(QStringLiteral("ProgramIcon"));
    icon->setPixmap(images::programIcon().pixmap(32, 32));
    icon->setFixedSize(32, 32);

    ProductName = makeLabel(panel, "ProductName", tr("Product Name"));
    Version = makeLabel(panel, "Version", tr("Version"));
    Copyright = makeLabel(panel, "Copyright", tr("Author"));
    Comments = makeLabel(panel, "Comments", tr("Comments"));
    Comments->setWordWrap(true);

    auto* labels = new QVBoxLayout;
    for (QLabel* label : {ProductName, Version, Copyright, Comments})
        labels->addWidget(label);
    labels->addStretch();
    auto* panelLayout = new QHBoxLayout(panel);
    panelLayout->addWidget(icon, 0, Qt::AlignTop);
    panelLayout->addLayout(labels, 1);

    auto* ok = new QPushButton(tr("OK"), this);
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
    Copyright->setText(Copyright->text() + QStringLiteral(": ") + tr("The Varnett developers"));
    Comments->setText(Comments->text() + QStringLiteral(": ") + tr("Easy way to build stored procedures"));
}

} // namespace varnett

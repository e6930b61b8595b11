#include "dialogs/dlgConnEdit.h"

#include "data/ConnectionString.h"
#include "data/DataLinkFile.h"
#include "dialogs/dlgConnBuild.h"
#include "ui/Modal.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace varnett {

namespace {

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

} // namespace

TConnEditForm::TConnEditForm(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("ConnEditForm"));
    setWindowTitle(tr("Connection"));
    setMinimumSize(472, 185);

    auto* group = new QGroupBox(tr(" Source of Connection "), this);
    group->setObjectName(QStringLiteral("SourceOfConnection"));
    UseDataLinkFile = new QRadioButton(tr("Use Data &Link File"), group);
    UseDataLinkFile->setObjectName(QStringLiteral("UseDataLinkFile"));
    DataLinkFile = new QComboBox(group);
    DataLinkFile->setObjectName(QStringLiteral("DataLinkFile"));
    Browse = makeButton(group, "Browse", tr("&Browse..."));
    UseConnectionString = new QRadioButton(tr("Use &Connection String"), group);
    UseConnectionString->setObjectName(QStringLiteral("UseConnectionString"));
    ConnectionString = new QLineEdit(group);
    ConnectionString->setObjectName(QStringLiteral("ConnectionString"));
    Build = makeButton(group, "Build", tr("B&uild..."));

    auto* grid = new QGridLayout(group);
    grid->addWidget(UseDataLinkFile, 0, 0, 1, 2);
    grid->addWidget(DataLinkFile, 1, 0);
    grid->addWidget(Browse, 1, 1);
    grid->addWidget(UseConnectionString, 2, 0, 1, 2);
    grid->addWidget(ConnectionString, 3, 0);
    grid->addWidget(Build, 3, 1);
    grid->setColumnStretch(0, 1);

    const QString folder = data::dataLinksFolder();
    for (const QString& name : data::listDataLinkFiles(folder))
        DataLinkFile->addItem(name, QDir(folder).filePath(name));
    DataLinkFile->setCurrentIndex(-1);

    auto* ok = makeButton(this, "OKButton", tr("OK"));
    ok->setDefault(true);
    auto* cancel = makeButton(this, "CancelButton", tr("Cancel"));
    auto* help = makeButton(this, "HelpButton", tr("&Help"));
    help->setEnabled(false); // no help file comes with the program
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(help);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);

    connect(ok, &QPushButton::clicked, this, &TConnEditForm::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(UseDataLinkFile, &QRadioButton::clicked, this, &TConnEditForm::chooseDataLink);
    connect(UseConnectionString, &QRadioButton::clicked, this,
            &TConnEditForm::chooseConnectionString);
    connect(Browse, &QPushButton::clicked, this, [this] { ui::guarded([this] { browseDataLink(); }); });
    connect(Build, &QPushButton::clicked, this,
            [this] { ui::guarded([this] { buildConnectionString(); }); });
}

void TConnEditForm::chooseDataLink()
{
    UseDataLinkFile->setChecked(true);
    DataLinkFile->setEnabled(true);
    Browse->setEnabled(true);
    ConnectionString->setEnabled(false);
    Build->setEnabled(false);
    DataLinkFile->setFocus();
}

void TConnEditForm::chooseConnectionString()
{
    UseConnectionString->setChecked(true);
    ConnectionString->setEnabled(true);
    Build->setEnabled(true);
    DataLinkFile->setEnabled(false);
    Browse->setEnabled(false);
    ConnectionString->setFocus();
}

void TConnEditForm::addDataLinkFile(const QString& path)
{
    int index = DataLinkFile->findData(path);
    if (index < 0) {
        DataLinkFile->addItem(QFileInfo(path).fileName(), path);
        index = DataLinkFile->count() - 1;
    }
    DataLinkFile->setCurrentIndex(index);
}

void TConnEditForm::browseDataLink()
{
    ui::FileRequest request;
    request.objectName = QStringLiteral("odDataLink");
    request.caption = tr("Data link file");
    request.nameFilters = {tr("Data link files (*.udl)"),
                           tr("All files (*)")};
    if (auto path = ui::getOpenFileName(request)) {
        chooseDataLink();
        addDataLinkFile(*path);
    }
}

void TConnEditForm::buildConnectionString()
{
    TfrmConnBuild builder(unmaskedText(), this);
    // What the builder composed is shown as the held string is: with its
    // password masked.
    if (ui::exec(builder) == QDialog::Accepted)
        showText(builder.connectionString());
}

QString TConnEditForm::unmaskedText() const
{
    const QString text = ConnectionString->text();
    if (m_passwordKey.isEmpty())
        return text;
    try {
        auto parsed = data::ConnectionString::parse(text.toStdString());
        const std::string key = m_passwordKey.toStdString();
        if (parsed.get(key) == passwordMask().toStdString()) {
            parsed.set(key, m_password.toStdString());
            return QString::fromStdString(parsed.render());
        }
    } catch (const std::exception&) {
        // Text that does not parse is passed on as typed; the connection
        // reports what is wrong with it.
    }
    return text;
}

void TConnEditForm::accept()
{
    if (UseDataLinkFile->isChecked()) {
        const QString path = DataLinkFile->currentData().toString();
        if (path.isEmpty()) {
            ui::error(tr("Choose a data link file."));
            return;
        }
        try {
            m_result = data::readDataLinkFile(path);
        } catch (const std::exception& failure) {
            ui::error(ui::messageOf(failure));
            return;
        }
    } else {
        m_result = unmaskedText();
    }
    QDialog::accept();
}

void TConnEditForm::showCurrent(const QString& text)
{
    showText(text);
    if (text.isEmpty()) {
        chooseConnectionString();
        return;
    }
    // The data link file the stored string came from, if one holds it.
    for (int i = 0; i < DataLinkFile->count(); ++i) {
        QString held;
        try {
            held = data::readDataLinkFile(DataLinkFile->itemData(i).toString());
        } catch (const std::exception&) {
            continue;
        }
        if (held == text) {
            DataLinkFile->setCurrentIndex(i);
            chooseDataLink();
            return;
        }
    }
    chooseConnectionString();
}

void TConnEditForm::showText(const QString& text)
{
    m_passwordKey.clear();
    m_password.clear();
    QString shown = text;
    try {
        auto parsed = data::ConnectionString::parse(text.toStdString());
        for (const char* key : {"Password", "Pwd"}) {
            if (auto value = parsed.get(key); value && !value->empty()) {
                m_passwordKey = QString::fromLatin1(key);
                m_password = QString::fromStdString(*value);
                parsed.set(key, passwordMask().toStdString());
                shown = QString::fromStdString(parsed.render());
                break;
            }
        }
    } catch (const std::exception&) {
        // Shown as it is held.
    }
    ConnectionString->setText(shown);
    ConnectionString->setCursorPosition(0);
}

} // namespace varnett

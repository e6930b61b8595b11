#include "dialogs/dlgConnBuild.h"

#include "data/Connection.h"
#include "data/ConnectionString.h"
#include "sqltext/AsciiText.h"
#include "ui/Modal.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace varnett {

namespace {

bool isSqlServerProvider(const std::string& provider)
{
    QString p = QString::fromStdString(provider).trimmed().toUpper();
    return p.startsWith(QStringLiteral("SQLOLEDB")) || p.startsWith(QStringLiteral("SQLNCLI"))
        || p.startsWith(QStringLiteral("MSOLEDBSQL"));
}

data::ConnectionString parsedOrEmpty(const QString& text)
{
    try {
        return data::ConnectionString::parse(text.toStdString());
    } catch (const std::exception&) {
        return {};
    }
}

QLineEdit* makeEdit(QWidget* parent, const char* name)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    return edit;
}

// True for the yes/no keys' yes (True, Yes, 1), as the drivers read them.
bool isYes(const std::string& value)
{
    const std::string text(sqltext::trim(value, sqltext::isBlankOrLineBreak));
    return sqltext::equalsNoCase(text, "True") || sqltext::equalsNoCase(text, "Yes") || text == "1";
}

} // namespace

TfrmConnBuild::TfrmConnBuild(const QString& initial, QWidget* parent)
    : QDialog(parent)
    , m_initial(initial)
{
    setObjectName(QStringLiteral("frmConnBuild"));
    setWindowTitle(tr("Connection properties"));

    cbEngine = new QComboBox(this);
    cbEngine->setObjectName(QStringLiteral("cbEngine"));
    cbEngine->addItems({tr("SQL Server"), tr("Embedded database file")});

    pages = new QStackedWidget(this);
    auto* server = new QWidget(pages);
    auto* serverForm = new QFormLayout(server);
    edtServer = makeEdit(server, "edtServer");
    edtDatabase = makeEdit(server, "edtDatabase");
    rbIntegrated = new QRadioButton(tr("Use &integrated security"), server);
    rbIntegrated->setObjectName(QStringLiteral("rbIntegrated"));
    rbSqlLogin = new QRadioButton(tr("Use a SQL Server &login"), server);
    rbSqlLogin->setObjectName(QStringLiteral("rbSqlLogin"));
    edtUser = makeEdit(server, "edtUser");
    edtPassword = makeEdit(server, "edtPassword");
    edtPassword->setEchoMode(QLineEdit::Password);
    chkSavePassword = new QCheckBox(tr("&Save password"), server);
    chkSavePassword->setObjectName(QStringLiteral("chkSavePassword"));
    serverForm->addRow(tr("&Server:"), edtServer);
    serverForm->addRow(tr("&Database:"), edtDatabase);
    serverForm->addRow(rbIntegrated);
    serverForm->addRow(rbSqlLogin);
    serverForm->addRow(tr("&User name:"), edtUser);
    serverForm->addRow(tr("&Password:"), edtPassword);
    serverForm->addRow(chkSavePassword);
    chkEncrypt = new QCheckBox(tr("&Encrypt the connection and check the server's certificate"),
                               server);
    chkEncrypt->setObjectName(QStringLiteral("chkEncrypt"));
    chkTrustCertificate = new QCheckBox(tr("&Trust the server's certificate without checking it"),
                                        server);
    chkTrustCertificate->setObjectName(QStringLiteral("chkTrustCertificate"));
    lblTrustRisk = new QLabel(tr("The server is not checked: anyone between you and the server "
                                 "can read and change the traffic, the password too."),
                              server);
    lblTrustRisk->setObjectName(QStringLiteral("lblTrustRisk"));
    lblTrustRisk->setWordWrap(true);
    serverForm->addRow(chkEncrypt);
    serverForm->addRow(chkTrustCertificate);
    serverForm->addRow(lblTrustRisk);
    pages->addWidget(server);

    auto* file = new QWidget(pages);
    auto* fileForm = new QFormLayout(file);
    edtFile = makeEdit(file, "edtFile");
    auto* browse = new QPushButton(tr("..."), file);
    browse->setObjectName(QStringLiteral("btnBrowseFile"));
    browse->setAutoDefault(false);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(edtFile, 1);
    fileRow->addWidget(browse);
    // A label of its own, so that its mark points at the box rather than
    // showing as an ampersand.
    auto* fileLabel = new QLabel(tr("Database &file:"), file);
    fileLabel->setObjectName(QStringLiteral("lblFile"));
    fileLabel->setBuddy(edtFile);
    fileForm->addRow(fileLabel, fileRow);
    // Wide enough to read a path.
    edtFile->setMinimumWidth(380);
    pages->addWidget(file);

    auto* test = new QPushButton(tr("&Test Connection"), this);
    test->setObjectName(QStringLiteral("btnTest"));
    test->setAutoDefault(false);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("buttons"));

    auto* layout = new QVBoxLayout(this);
    auto* engineForm = new QFormLayout;
    engineForm->addRow(tr("&Engine:"), cbEngine);
    layout->addLayout(engineForm);
    layout->addWidget(pages);
    layout->addWidget(test, 0, Qt::AlignLeft);
    layout->addWidget(buttons);

    connect(cbEngine, &QComboBox::currentIndexChanged, this, &TfrmConnBuild::engineChanged);
    connect(rbIntegrated, &QRadioButton::toggled, this, &TfrmConnBuild::loginChanged);
    connect(chkTrustCertificate, &QCheckBox::toggled, lblTrustRisk, &QLabel::setVisible);
    connect(browse, &QPushButton::clicked, this, [this] { ui::guarded([this] { browseFile(); }); });
    connect(test, &QPushButton::clicked, this, [this] { testConnection(); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    load(initial);
}

void TfrmConnBuild::load(const QString& initial)
{
    const data::ConnectionString parsed = parsedOrEmpty(initial);
    const bool embedded = sqltext::equalsNoCase(parsed.value("Provider"), "SQLite");
    cbEngine->setCurrentIndex(embedded ? EmbeddedFile : SqlServer);
    const QString source = QString::fromStdString(parsed.value("Data Source"));
    if (embedded) {
        edtFile->setText(source);
    } else {
        edtServer->setText(source);
        edtDatabase->setText(QString::fromStdString(parsed.value("Initial Catalog")));
        edtUser->setText(QString::fromStdString(parsed.value("User ID")));
        edtPassword->setText(QString::fromStdString(parsed.value("Password")));
    }
    const bool sqlLogin = !parsed.value("User ID").empty() && parsed.value("Integrated Security").empty();
    (sqlLogin ? rbSqlLogin : rbIntegrated)->setChecked(true);
    chkSavePassword->setChecked(parsed.persistSecurityInfo());
    chkEncrypt->setChecked(isYes(parsed.value("Use Encryption for Data")));
    chkTrustCertificate->setChecked(isYes(parsed.value("Trust Server Certificate")));
    lblTrustRisk->setVisible(chkTrustCertificate->isChecked());
    engineChanged();
    loginChanged();
}

void TfrmConnBuild::engineChanged()
{
    pages->setCurrentIndex(cbEngine->currentIndex());
}

void TfrmConnBuild::loginChanged()
{
    const bool sqlLogin = rbSqlLogin->isChecked();
    edtUser->setEnabled(sqlLogin);
    edtPassword->setEnabled(sqlLogin);
    chkSavePassword->setEnabled(sqlLogin);
}

QString TfrmConnBuild::connectionString() const
{
    data::ConnectionString result;
    if (cbEngine->currentIndex() == EmbeddedFile) {
        result.set("Provider", "SQLite");
        result.set("Data Source", edtFile->text().toStdString());
        return QString::fromStdString(result.render());
    }
    // Keys this dialog does not show are kept from the starting string.
    const data::ConnectionString initial = parsedOrEmpty(m_initial);
    if (isSqlServerProvider(initial.value("Provider")))
        result = initial;
    else
        result.set("Provider", "SQLOLEDB.1");
    for (const char* key : {"Integrated Security", "Trusted_Connection", "User ID", "Password",
                            "Persist Security Info"})
        result.remove(key);
    result.set("Data Source", edtServer->text().toStdString());
    result.set("Initial Catalog", edtDatabase->text().toStdString());
    if (rbSqlLogin->isChecked()) {
        result.set("User ID", edtUser->text().toStdString());
        result.set("Password", edtPassword->text().toStdString());
        result.set("Persist Security Info", chkSavePassword->isChecked() ? "True" : "False");
    } else {
        result.set("Integrated Security", "SSPI");
        result.set("Persist Security Info", "False");
    }
    // A switch left off adds no key: the driver's default stays.
    for (const auto& [box, key] : {std::pair{chkEncrypt, "Use Encryption for Data"},
                                   std::pair{chkTrustCertificate, "Trust Server Certificate"}})
        if (box->isChecked() || result.get(key))
            result.set(key, box->isChecked() ? "True" : "False");
    return QString::fromStdString(result.render());
}

void TfrmConnBuild::browseFile()
{
    ui::FileRequest request;
    request.objectName = QStringLiteral("odDatabaseFile");
    request.caption = tr("Database file");
    request.nameFilters = {tr("Database files (*.db *.sqlite)"),
                           tr("All files (*)")};
    if (auto path = ui::getOpenFileName(request))
        edtFile->setText(*path);
}

void TfrmConnBuild::testConnection()
{
    try {
        data::openEngine(connectionString().toStdString());
        ui::information(tr("Test connection succeeded."));
    } catch (const std::exception& failure) {
        ui::error(tr("Test connection failed: ") + ui::messageOf(failure));
    }
}

} // namespace varnett

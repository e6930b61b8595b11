#include "dialogs/dlgGenerateTables.h"

#include "sqltext/Error.h"
#include "sqltext/NamePattern.h"
#include "ui/Modal.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace varnett {

namespace {

constexpr std::array<sqltext::ProcedureKind, 4> kKinds = {
    sqltext::ProcedureKind::Insert, sqltext::ProcedureKind::Update,
    sqltext::ProcedureKind::Delete, sqltext::ProcedureKind::Select};

constexpr std::array<const char*, 4> kKindBoxes = {"cbInsert", "cbUpdate", "cbDelete", "cbSelect"};
constexpr std::array<const char*, 4> kPatternBoxes = {"edInsertPattern", "edUpdatePattern",
                                                      "edDeletePattern", "edSelectPattern"};

QPushButton* browseButton(QWidget* parent, const char* name)
{
    auto* button = new QPushButton(TfrmGenerateTables::tr("B&rowse..."), parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

} // namespace

TfrmGenerateTables::TfrmGenerateTables(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmGenerateTables"));
    setWindowTitle(tr("Generate for tables"));
    auto* layout = new QVBoxLayout(this);
    lblTables = new QLabel(this);
    lblTables->setObjectName(QStringLiteral("lblTables"));
    layout->addWidget(lblTables);

    auto* kinds = new QGroupBox(tr("Procedures and their names"), this);
    kinds->setObjectName(QStringLiteral("gbKinds"));
    auto* kindGrid = new QGridLayout(kinds);
    const std::array<QString, 4> captions = {tr("&Insert"), tr("&Update by key"),
                                             tr("&Delete by key"), tr("&Select by key")};
    for (std::size_t i = 0; i < kKinds.size(); ++i) {
        cbKinds[i] = new QCheckBox(captions[i], kinds);
        cbKinds[i]->setObjectName(QString::fromLatin1(kKindBoxes[i]));
        cbKinds[i]->setChecked(true);
        edPatterns[i] = new QLineEdit(QString::fromStdString(sqltext::defaultNamePattern(kKinds[i])),
                                      kinds);
        edPatterns[i]->setObjectName(QString::fromLatin1(kPatternBoxes[i]));
        const int row = static_cast<int>(i);
        kindGrid->addWidget(cbKinds[i], row, 0);
        kindGrid->addWidget(edPatterns[i], row, 1);
        connect(cbKinds[i], &QCheckBox::toggled, this, [this] { updateEnabled(); });
    }
    auto* patternNote = new QLabel(tr("{schema}, {table} and {kind} (INSERT, UPDATE, DELETE, "
                                      "SELECT) stand for the table's parts and the kind; without "
                                      "a dot the procedure goes into the table's schema."),
                                   kinds);
    patternNote->setWordWrap(true);
    patternNote->setEnabled(false);
    kindGrid->addWidget(patternNote, 4, 0, 1, 2);
    kindGrid->setColumnStretch(1, 1);
    layout->addWidget(kinds);

    auto* options = new QGroupBox(tr("Generator options"), this);
    options->setObjectName(QStringLiteral("gbOptions"));
    auto* optionsLayout = new QVBoxLayout(options);
    switches = addGeneratorSwitches(options, optionsLayout);
    // The kinds here that take conditions always find the row by its key.
    switches.cbKeyConditions->setChecked(true);
    switches.cbKeyConditions->setEnabled(false);
    layout->addWidget(options);

    auto* output = new QGroupBox(tr("Output"), this);
    output->setObjectName(QStringLiteral("gbOutput"));
    auto* outputGrid = new QGridLayout(output);
    rbScriptFile = new QRadioButton(tr("One s&cript file"), output);
    rbScriptFile->setObjectName(QStringLiteral("rbScriptFile"));
    rbFolder = new QRadioButton(tr("A &folder, one file per procedure"), output);
    rbFolder->setObjectName(QStringLiteral("rbFolder"));
    rbServer = new QRadioButton(tr("Create on the ser&ver, all in one transaction"), output);
    rbServer->setObjectName(QStringLiteral("rbServer"));
    rbScriptFile->setChecked(true);
    edScriptFile = new QLineEdit(output);
    edScriptFile->setObjectName(QStringLiteral("edScriptFile"));
    edFolder = new QLineEdit(output);
    edFolder->setObjectName(QStringLiteral("edFolder"));
    btnBrowseScript = browseButton(output, "btnBrowseScript");
    btnBrowseFolder = browseButton(output, "btnBrowseFolder");
    outputGrid->addWidget(rbScriptFile, 0, 0);
    outputGrid->addWidget(edScriptFile, 0, 1);
    outputGrid->addWidget(btnBrowseScript, 0, 2);
    outputGrid->addWidget(rbFolder, 1, 0);
    outputGrid->addWidget(edFolder, 1, 1);
    outputGrid->addWidget(btnBrowseFolder, 1, 2);
    outputGrid->addWidget(rbServer, 2, 0, 1, 3);
    outputGrid->setColumnStretch(1, 1);
    layout->addWidget(output);
    for (QRadioButton* radio : {rbScriptFile, rbFolder, rbServer})
        connect(radio, &QRadioButton::toggled, this, [this] { updateEnabled(); });
    connect(btnBrowseScript, &QPushButton::clicked, this, [this] { browseScript(); });
    connect(btnBrowseFolder, &QPushButton::clicked, this, [this] { browseFolder(); });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    OKBtn = buttons->button(QDialogButtonBox::Ok);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    CancelBtn = buttons->button(QDialogButtonBox::Cancel);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmGenerateTables::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    // The notes wrap: the height is the one their lines need at this width.
    setFixedWidth(620);
    if (layout->hasHeightForWidth())
        setMinimumHeight(layout->totalHeightForWidth(620));
    updateEnabled();
}

void TfrmGenerateTables::setTableCount(int count)
{
    lblTables->setText(tr("%n table(s) chosen", nullptr, count));
}

void TfrmGenerateTables::setOptions(const sqltext::GeneratorOptions& options)
{
    switches.setOptions(options);
    switches.cbKeyConditions->setChecked(true);
}

GenerateTablesChoice TfrmGenerateTables::choice() const
{
    GenerateTablesChoice choice;
    choice.accepted = result() == QDialog::Accepted;
    choice.request.options = switches.options();
    choice.request.options.keyConditions = false;   // the kinds say where it applies
    for (std::size_t i = 0; i < kKinds.size(); ++i) {
        if (cbKinds[i]->isChecked())
            choice.request.kinds.push_back(kKinds[i]);
        choice.request.patterns[i] = edPatterns[i]->text().toStdString();
    }
    choice.output = rbFolder->isChecked() ? GenerateOutput::Folder
        : rbServer->isChecked()           ? GenerateOutput::Server
                                          : GenerateOutput::ScriptFile;
    choice.path = choice.output == GenerateOutput::Folder ? edFolder->text().trimmed()
        : choice.output == GenerateOutput::ScriptFile     ? edScriptFile->text().trimmed()
                                                          : QString();
    return choice;
}

void TfrmGenerateTables::check() const
{
    const GenerateTablesChoice chosen = choice();
    if (chosen.request.kinds.empty())
        throw Error(tr("Choose at least one kind of procedure.").toStdString());
    for (sqltext::ProcedureKind kind : chosen.request.kinds)
        sqltext::checkNamePattern(chosen.request.patterns[static_cast<std::size_t>(kind)]);
    if (chosen.output == GenerateOutput::ScriptFile && chosen.path.isEmpty())
        throw Error(tr("Enter the script file to write.").toStdString());
    if (chosen.output == GenerateOutput::Folder && chosen.path.isEmpty())
        throw Error(tr("Enter the folder to write the procedures into.").toStdString());
}

void TfrmGenerateTables::accept()
{
    ui::guarded([this] {
        check();
        QDialog::accept();
    });
}

void TfrmGenerateTables::browseScript()
{
    ui::FileRequest request;
    request.objectName = QStringLiteral("sdGenerateScript");
    request.caption = tr("Script of the generated procedures");
    request.defaultSuffix = QStringLiteral("sql");
    request.nameFilters = {tr("Script (*.SQL *.sql)"), tr("All (*)")};
    request.proposedName = edScriptFile->text();
    if (const std::optional<QString> path = ui::getSaveFileName(request))
        edScriptFile->setText(*path);
}

void TfrmGenerateTables::browseFolder()
{
    QFileDialog dialog(this, tr("Folder for the generated procedures"), edFolder->text());
    dialog.setObjectName(QStringLiteral("fdGenerateFolder"));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (ui::exec(dialog) == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        edFolder->setText(dialog.selectedFiles().constFirst());
}

void TfrmGenerateTables::updateEnabled()
{
    for (std::size_t i = 0; i < kKinds.size(); ++i)
        edPatterns[i]->setEnabled(cbKinds[i]->isChecked());
    edScriptFile->setEnabled(rbScriptFile->isChecked());
    btnBrowseScript->setEnabled(rbScriptFile->isChecked());
    edFolder->setEnabled(rbFolder->isChecked());
    btnBrowseFolder->setEnabled(rbFolder->isChecked());
}

GenerateTablesChoice askGenerateTables(int tableCount, const sqltext::GeneratorOptions& options,
                                       QWidget* parent)
{
    TfrmGenerateTables dialog(parent);
    dialog.setTableCount(tableCount);
    dialog.setOptions(options);
    if (ui::exec(dialog) != QDialog::Accepted)
        return {};
    return dialog.choice();
}

} // namespace varnett

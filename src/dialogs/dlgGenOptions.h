#pragma once

#include "dialogs/GeneratorSwitches.h"
#include "sqltext/GeneratorOptions.h"

#include <QDialog>

class QCheckBox;

namespace varnett {

// The switches of the generators, one check box each, with what each
// writes into the procedures.
class TfrmGenOptions : public QDialog {
    Q_OBJECT
public:
    explicit TfrmGenOptions(QWidget* parent = nullptr);

    void setOptions(const sqltext::GeneratorOptions& options);
    sqltext::GeneratorOptions options() const;

    QCheckBox* cbNoCount = nullptr;
    QCheckBox* cbTryCatch = nullptr;
    QCheckBox* cbCreateOrAlter = nullptr;
    QCheckBox* cbIdentityOutput = nullptr;
    QCheckBox* cbKeyConditions = nullptr;
    QCheckBox* cbRowversion = nullptr;

private:
    GeneratorSwitches m_switches;
};

// Shows the dialog with the options; after OK they hold the choice and the
// result is true. After Cancel they are unchanged.
bool askGeneratorOptions(sqltext::GeneratorOptions& options, QWidget* parent = nullptr);

} // namespace varnett

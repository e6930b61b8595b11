#pragma once

#include "sqltext/GeneratorOptions.h"

class QCheckBox;
class QVBoxLayout;
class QWidget;

namespace varnett {

// The six check boxes of the generator options, each with a note on what it
// writes into the procedures, as the Generator options dialog shows them.
struct GeneratorSwitches {
    QCheckBox* cbNoCount = nullptr;
    QCheckBox* cbTryCatch = nullptr;
    QCheckBox* cbCreateOrAlter = nullptr;
    QCheckBox* cbIdentityOutput = nullptr;
    QCheckBox* cbKeyConditions = nullptr;
    QCheckBox* cbRowversion = nullptr;

    void setOptions(const sqltext::GeneratorOptions& options);
    sqltext::GeneratorOptions options() const;
};

// Adds the check boxes and their notes to the layout, children of `owner`.
GeneratorSwitches addGeneratorSwitches(QWidget* owner, QVBoxLayout* layout);

} // namespace varnett

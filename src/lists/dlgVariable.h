#pragma once

#include "lists/dlgCommand.h"

namespace varnett {

// The "@p" and "@l" variables made from the fields: names (list mode 0),
// names followed by " = " (list mode 1) or names with their types (list
// mode 2); several items may be chosen.
class TfrmVariable : public TfrmCommand {
    Q_OBJECT
public:
    explicit TfrmVariable(const InsertionContext& context, QWidget* parent = nullptr);

protected:
    void Init() override;
};

} // namespace varnett

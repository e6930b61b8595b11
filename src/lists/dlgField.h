#pragma once

#include "lists/dlgCommand.h"

namespace varnett {

// The fields of the field list as names (list modes 0 and 2) or as
// comparisons with their "@p" and "@l" variables (list mode 1); several
// items may be chosen.
class TfrmField : public TfrmCommand {
    Q_OBJECT
public:
    explicit TfrmField(const InsertionContext& context, QWidget* parent = nullptr);

protected:
    void Init() override;
};

} // namespace varnett

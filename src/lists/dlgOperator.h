#pragma once

#include "lists/dlgCommand.h"

namespace varnett {

// The statement snippets; one item is chosen.
class TfrmOperator : public TfrmCommand {
    Q_OBJECT
public:
    explicit TfrmOperator(const InsertionContext& context, QWidget* parent = nullptr);
};

} // namespace varnett

#pragma once

#include "lists/dlgCommand.h"

namespace varnett {

// The stored procedures of the current database; an initial text filters
// them (names that contain it, letter case ignored). One item is chosen.
class TfrmProcList : public TfrmCommand {
    Q_OBJECT
public:
    explicit TfrmProcList(const InsertionContext& context, QWidget* parent = nullptr);

protected:
    void Init() override;
};

} // namespace varnett

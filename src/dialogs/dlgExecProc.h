#pragma once

#include "data/ProcedureRun.h"

#include <QDialog>

#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace varnett {

// Procedure > Execute: the parameters of a procedure as the server describes
// them, each with a value box and a NULL check box; whether the call runs in
// a transaction that is rolled back; how many rows of a result set are kept.
// Execute checks every value first and shows what is wrong beside its box.
class TdlgExecProc : public QDialog {
    Q_OBJECT
public:
    TdlgExecProc(const QString& procedure, std::vector<data::ProcedureParameter> parameters,
                 QWidget* parent = nullptr);

    // The call as filled in: a value for each parameter with one, NULL where
    // NULL is checked; an input parameter with an empty box is left out and
    // takes its default.
    data::RunRequest request() const;
    // Checks every value, showing each error beside its box; true when all fit.
    bool checkValues();
    // The call as T-SQL (see sqltext::procedureCallScript); the values are
    // checked first, and an error is thrown when one does not fit.
    QString callScript();
    // Puts callScript() on the clipboard.
    void btnCopyScriptClick();

    void accept() override;

    std::vector<QLineEdit*> edtValues;
    std::vector<QCheckBox*> chkNulls;
    std::vector<QLabel*> lblErrors;
    QCheckBox* chkRollback = nullptr;
    QSpinBox* edtMaxRows = nullptr;
    QPushButton* btnCopyScript = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

private:
    QString m_procedure;
    std::vector<data::ProcedureParameter> m_parameters;
};

} // namespace varnett

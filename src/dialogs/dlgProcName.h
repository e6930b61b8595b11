#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;

namespace varnett {

// Asks for the name of a procedure to generate.
class TfrmProcName : public QDialog {
    Q_OBJECT
public:
    explicit TfrmProcName(QWidget* parent = nullptr);
    // OK with an empty name keeps the dialog open and says why.
    void accept() override;

    QLineEdit* edtName = nullptr;
    QLabel* lblNote = nullptr;
};

// Shows the dialog with the proposed name; returns the name as typed after
// OK, or an empty text after Cancel.
QString askProcedureName(const QString& proposed, QWidget* parent = nullptr);

} // namespace varnett

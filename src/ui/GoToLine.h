#pragma once

#include <QDialog>

class QSpinBox;

namespace varnett::ui {

// Asks for a line number between 1 and the page's last line.
class TfrmGoToLine : public QDialog {
    Q_OBJECT
public:
    TfrmGoToLine(int current, int last, QWidget* parent = nullptr);
    int line() const;

    QSpinBox* edtLine = nullptr;
};

} // namespace varnett::ui

#pragma once

#include <QDialog>

class QLabel;

namespace varnett {

// The About box: the program icon and four labels in a bevelled panel.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    // Appends the program's facts to the labels' design texts.
    void complete(const QString& applicationTitle);

private:
    QLabel* ProductName = nullptr;
    QLabel* Version = nullptr;
    QLabel* Copyright = nullptr;
    QLabel* Comments = nullptr;
};

} // namespace varnett

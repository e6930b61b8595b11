#pragma once

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace varnett {

// The connection dialog: the connection string comes either from a data
// link file or from the edit box "ConnectionString".
class TConnEditForm : public QDialog {
    Q_OBJECT
public:
    explicit TConnEditForm(QWidget* parent = nullptr);

    // The chosen connection string, valid after the dialog closed with OK:
    // the data link file's string when that option was chosen, otherwise the
    // edit box's text.
    QString connectionString() const { return m_result; }

    // OK: with the data-link option the file is read first; a file that
    // cannot be read is reported and the dialog stays open.
    void accept() override;

    // Shows a connection string in the edit box for editing, its password
    // masked; an unchanged mask gives the password back on OK. The source it
    // comes from is chosen: the data link file that holds this string, else
    // the connection string.
    void showCurrent(const QString& connectionString);
    static QString passwordMask() { return QStringLiteral("********"); }

private:
    void chooseDataLink();
    void chooseConnectionString();
    void browseDataLink();
    void buildConnectionString();
    void addDataLinkFile(const QString& path);
    // The edit box's text with the masked password put back.
    QString unmaskedText() const;
    // Puts a connection string in the edit box, its password masked.
    void showText(const QString& text);

    QRadioButton* UseDataLinkFile = nullptr;
    QRadioButton* UseConnectionString = nullptr;
    QComboBox* DataLinkFile = nullptr;
    QPushButton* Browse = nullptr;
    QLineEdit* ConnectionString = nullptr;
    QPushButton* Build = nullptr;
    QString m_result;
    // The masked password's key and value.
    QString m_passwordKey;
    QString m_password;
};

} // namespace varnett

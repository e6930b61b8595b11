#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QComboBox;
class QLineEdit;
class QRadioButton;
class QStackedWidget;

namespace varnett {

// Builds a connection string from its parts: the engine, and for SQL Server
// the server, database and login, for the embedded engine the file.
class TfrmConnBuild : public QDialog {
    Q_OBJECT
public:
    enum Engine { SqlServer = 0, EmbeddedFile = 1 };

    // Starts from the parts of the given string (an unreadable one starts empty).
    explicit TfrmConnBuild(const QString& initial, QWidget* parent = nullptr);

    // The string the parts make.
    QString connectionString() const;

private:
    void load(const QString& initial);
    void engineChanged();
    void loginChanged();
    void browseFile();
    void testConnection();

    QComboBox* cbEngine = nullptr;
    QStackedWidget* pages = nullptr;
    QLineEdit* edtServer = nullptr;
    QLineEdit* edtDatabase = nullptr;
    QRadioButton* rbIntegrated = nullptr;
    QRadioButton* rbSqlLogin = nullptr;
    QLineEdit* edtUser = nullptr;
    QLineEdit* edtPassword = nullptr;
    QCheckBox* chkSavePassword = nullptr;
    QCheckBox* chkEncrypt = nullptr;
    QCheckBox* chkTrustCertificate = nullptr;
    QLabel* lblTrustRisk = nullptr;
    QLineEdit* edtFile = nullptr;
    QString m_initial;
};

} // namespace varnett

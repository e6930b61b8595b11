#include "ui/Modal.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>

namespace varnett::ui {

namespace {

// The user-visible text in the current translation.
QString translated(const char* text)
{
    return QCoreApplication::translate("Modal", text);
}

ModalResponder* g_responder = nullptr;
QString g_lastSaveFolder;

QWidget* dialogParent()
{
    return QApplication::activeWindow();
}

bool showMessage(const Message& message)
{
    if (g_responder)
        return g_responder->message(message);
    QMessageBox box(dialogParent());
    box.setWindowTitle(message.title);
    box.setText(message.text);
    switch (message.kind) {
    case MessageKind::Information:
        box.setIcon(QMessageBox::Information);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MessageKind::Error:
    case MessageKind::General:
        box.setIcon(QMessageBox::Critical);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MessageKind::Confirmation:
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(message.noByDefault ? QMessageBox::No : QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
        break;
    }
    return box.exec() == (message.kind == MessageKind::Confirmation ? QMessageBox::Yes
                                                                     : QMessageBox::Ok);
}

std::optional<QString> runFileDialog(const FileRequest& request, QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(dialogParent(), request.caption);
    dialog.setObjectName(request.objectName);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile
                                                        : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setDefaultSuffix(request.defaultSuffix);
    dialog.setNameFilters(request.nameFilters);
    if (!request.directory.isEmpty())
        dialog.setDirectory(request.directory);
    if (!request.proposedName.isEmpty())
        dialog.selectFile(request.proposedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

} // namespace

void setResponder(ModalResponder* responder)
{
    g_responder = responder;
}

void information(const QString& text)
{
    showMessage({MessageKind::Information, translated("Information"), text});
}

void error(const QString& text)
{
    showMessage({MessageKind::Error, translated("Error"), text});
}

bool confirm(const QString& text, DefaultAnswer answer)
{
    return showMessage(
        {MessageKind::Confirmation, translated("Confirm"), text, answer == DefaultAnswer::No});
}

QString generalErrorText(const QString& message)
{
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

void generalError(const QString& message)
{
    // Every error box has one title, whichever way the error came.
    showMessage({MessageKind::General, translated("Error"), generalErrorText(message)});
}

int exec(QDialog& dialog)
{
    if (g_responder)
        return g_responder->dialog(dialog);
    return dialog.exec();
}

SaveChoice ModalResponder::saveChanges(const Message&)
{
    return SaveChoice::Cancel;
}

std::optional<QString> ModalResponder::folderName(const FileRequest&)
{
    return std::nullopt;
}

SaveChoice askSaveChanges(const QString& text)
{
    const Message message{MessageKind::Confirmation, translated("Save changes"), text};
    if (g_responder)
        return g_responder->saveChanges(message);
    QMessageBox box(dialogParent());
    box.setWindowTitle(message.title);
    box.setText(text);
    box.setIcon(QMessageBox::Warning);
    box.setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Save:
        return SaveChoice::Save;
    case QMessageBox::Discard:
        return SaveChoice::Discard;
    default:
        return SaveChoice::Cancel;
    }
}

QString lastSaveFolder()
{
    if (!g_lastSaveFolder.isEmpty())
        return g_lastSaveFolder;
    const QString documents =
        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() ? QDir::homePath() : documents;
}

void setLastSaveFolder(const QString& folder)
{
    g_lastSaveFolder = folder;
}

std::optional<QString> getSaveFileName(const FileRequest& request)
{
    FileRequest asked = request;
    if (asked.directory.isEmpty())
        asked.directory = lastSaveFolder();
    for (;;) {
        const std::optional<QString> path = g_responder
            ? g_responder->saveFileName(asked)
            : runFileDialog(asked, QFileDialog::AcceptSave);
        if (!path)
            return std::nullopt;
        const QFileInfo file(*path);
        // Only a file is replaced; anything else there makes the write fail.
        if (file.isFile()
            && !confirm(translated("%1 already exists.\nDo you want to replace it?")
                            .arg(QDir::toNativeSeparators(file.absoluteFilePath())))) {
            // Back to the dialog, on the name the user chose.
            asked.directory = file.absolutePath();
            asked.proposedName = file.fileName();
            continue;
        }
        setLastSaveFolder(file.absolutePath());
        return path;
    }
}

std::optional<QString> getOpenFileName(const FileRequest& request)
{
    if (g_responder)
        return g_responder->openFileName(request);
    return runFileDialog(request, QFileDialog::AcceptOpen);
}

std::optional<QString> getExistingFolder(const FileRequest& request)
{
    if (g_responder)
        return g_responder->folderName(request);
    QFileDialog dialog(dialogParent(), request.caption);
    dialog.setObjectName(request.objectName);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    if (!request.directory.isEmpty())
        dialog.setDirectory(request.directory);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

QString messageOf(const std::exception& error)
{
    return QString::fromUtf8(error.what());
}

} // namespace varnett::ui

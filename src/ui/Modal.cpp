#include "ui/Modal.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace varnett::ui {

namespace {

ModalResponder* g_responder = nullptr;

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
        box.setDefaultButton(QMessageBox::Yes);
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
    showMessage({MessageKind::Information, QStringLiteral("Information"), text});
}

void error(const QString& text)
{
    showMessage({MessageKind::Error, QStringLiteral("Error"), text});
}

bool confirm(const QString& text)
{
    return showMessage({MessageKind::Confirmation, QStringLiteral("Confirm"), text});
}

QString generalErrorText(const QString& message)
{
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

void generalError(const QString& message)
{
    showMessage({MessageKind::General, QApplication::applicationName(),
                 generalErrorText(message)});
}

int exec(QDialog& dialog)
{
    if (g_responder)
        return g_responder->dialog(dialog);
    return dialog.exec();
}

std::optional<QString> getSaveFileName(const FileRequest& request)
{
    if (g_responder)
        return g_responder->saveFileName(request);
    return runFileDialog(request, QFileDialog::AcceptSave);
}

std::optional<QString> getOpenFileName(const FileRequest& request)
{
    if (g_responder)
        return g_responder->openFileName(request);
    return runFileDialog(request, QFileDialog::AcceptOpen);
}

QString messageOf(const std::exception& error)
{
    return QString::fromUtf8(error.what());
}

} // namespace varnett::ui

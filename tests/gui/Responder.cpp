#include "Responder.h"

#include <gtest/gtest.h>

namespace varnett::testing {

ScriptedResponder::~ScriptedResponder()
{
    ui::setResponder(nullptr);
    if (!everythingAnswered())
        ADD_FAILURE() << "answers queued but never used: " << m_dialogs.size() << " dialog, "
                      << m_confirmations.size() << " confirmation, " << m_saves.size()
                      << " save, " << m_opens.size() << " open, " << m_folders.size() << " folder";
}

bool ScriptedResponder::message(const ui::Message& message)
{
    events << QStringLiteral("message:%1:%2").arg(message.title, message.text);
    messages.push_back(message);
    if (message.kind != ui::MessageKind::Confirmation)
        return true;
    if (m_confirmations.empty()) {
        ADD_FAILURE() << "unexpected confirmation: " << message.text.toStdString();
        return false;
    }
    bool yes = m_confirmations.front();
    m_confirmations.pop_front();
    return yes;
}

int ScriptedResponder::dialog(QDialog& dialog)
{
    events << QStringLiteral("dialog:%1").arg(dialog.objectName());
    if (m_dialogs.empty()) {
        ADD_FAILURE() << "unexpected dialog: " << dialog.objectName().toStdString();
        return QDialog::Rejected;
    }
    DialogAnswer answer = std::move(m_dialogs.front());
    m_dialogs.pop_front();
    return answer(dialog);
}

std::optional<QString> ScriptedResponder::saveFileName(const ui::FileRequest& request)
{
    events << QStringLiteral("save:%1:%2").arg(request.objectName, request.proposedName);
    fileRequests.push_back(request);
    if (m_saves.empty()) {
        ADD_FAILURE() << "unexpected save dialog: " << request.objectName.toStdString();
        return std::nullopt;
    }
    const QString path = m_saves.front();
    m_saves.pop_front();
    if (path.isNull())
        return std::nullopt;
    return path;
}

std::optional<QString> ScriptedResponder::openFileName(const ui::FileRequest& request)
{
    events << QStringLiteral("open:%1").arg(request.objectName);
    fileRequests.push_back(request);
    if (m_opens.empty()) {
        ADD_FAILURE() << "unexpected open dialog: " << request.objectName.toStdString();
        return std::nullopt;
    }
    const QString path = m_opens.front();
    m_opens.pop_front();
    if (path.isNull())
        return std::nullopt;
    return path;
}

std::optional<QString> ScriptedResponder::folderName(const ui::FileRequest& request)
{
    events << QStringLiteral("folder:%1").arg(request.objectName);
    fileRequests.push_back(request);
    if (m_folders.empty()) {
        ADD_FAILURE() << "unexpected folder dialog: " << request.objectName.toStdString();
        return std::nullopt;
    }
    const QString path = m_folders.front();
    m_folders.pop_front();
    if (path.isNull())
        return std::nullopt;
    return path;
}

ui::SaveChoice ScriptedResponder::saveChanges(const ui::Message& message)
{
    events << QStringLiteral("savechanges:%1").arg(message.text);
    messages.push_back(message);
    if (m_saveChoices.empty()) {
        ADD_FAILURE() << "unexpected question: " << message.text.toStdString();
        return ui::SaveChoice::Cancel;
    }
    const ui::SaveChoice choice = m_saveChoices.front();
    m_saveChoices.pop_front();
    return choice;
}

ScriptedResponder::DialogAnswer rejectDialog()
{
    return [](QDialog& dialog) {
        dialog.reject();
        return static_cast<int>(QDialog::Rejected);
    };
}

ScriptedResponder::DialogAnswer acceptDialog()
{
    return [](QDialog& dialog) {
        dialog.accept();
        return dialog.result();
    };
}

} // namespace varnett::testing

#pragma once

#include "ui/Modal.h"

#include <QDialog>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace varnett::testing {

// Answers the program's modal questions from a script and records them.
// Installed for its lifetime.
class ScriptedResponder : public ui::ModalResponder {
public:
    using DialogAnswer = std::function<int(QDialog&)>;

    ScriptedResponder()
    {
        ui::setResponder(this);
        ui::setLastSaveFolder(QString());
    }
    // An answer that was queued but never asked for fails the test.
    ~ScriptedResponder() override;
    ScriptedResponder(const ScriptedResponder&) = delete;
    ScriptedResponder& operator=(const ScriptedResponder&) = delete;

    // Queue answers; an unexpected question fails the test.
    void answerDialog(DialogAnswer answer) { m_dialogs.push_back(std::move(answer)); }
    void answerConfirmation(bool yes) { m_confirmations.push_back(yes); }
    // std::nullopt answers Cancel.
    void answerSave(const std::optional<QString>& path) { m_saves.push_back(path.value_or(QString())); }
    void answerOpen(const std::optional<QString>& path) { m_opens.push_back(path.value_or(QString())); }
    void answerSaveChanges(ui::SaveChoice choice) { m_saveChoices.push_back(choice); }
    void answerFolder(const std::optional<QString>& path) { m_folders.push_back(path.value_or(QString())); }

    bool message(const ui::Message& message) override;
    int dialog(QDialog& dialog) override;
    std::optional<QString> saveFileName(const ui::FileRequest& request) override;
    std::optional<QString> openFileName(const ui::FileRequest& request) override;
    std::optional<QString> folderName(const ui::FileRequest& request) override;
    ui::SaveChoice saveChanges(const ui::Message& message) override;

    // What was asked, in order: "message:<title>:<text>" or "dialog:<objectName>"
    // or "save:<objectName>:<proposed>" or "open:<objectName>" or
    // "savechanges:<text>".
    QStringList events;
    std::vector<ui::Message> messages;
    std::vector<ui::FileRequest> fileRequests;
    bool everythingAnswered() const
    {
        return m_dialogs.empty() && m_confirmations.empty() && m_saves.empty() && m_opens.empty()
            && m_saveChoices.empty() && m_folders.empty();
    }

private:
    std::deque<DialogAnswer> m_dialogs;
    std::deque<bool> m_confirmations;
    // A null text stands for Cancel.
    std::deque<QString> m_saves;
    std::deque<QString> m_opens;
    std::deque<QString> m_folders;
    std::deque<ui::SaveChoice> m_saveChoices;
};

// Helpers for dialog answers.
ScriptedResponder::DialogAnswer rejectDialog();
ScriptedResponder::DialogAnswer acceptDialog();

} // namespace varnett::testing

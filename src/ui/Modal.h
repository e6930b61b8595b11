#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <exception>
#include <optional>

class QDialog;
class QWidget;

namespace varnett::ui {

// Every modal question of the program goes through the functions below. By
// default they show real dialogs; a test installs a ModalResponder that
// answers them without a screen.

enum class MessageKind { Information, Error, Confirmation, General };

struct Message {
    MessageKind kind;
    QString title;
    QString text;
    bool noByDefault = false;   // a confirmation whose default answer is No
};

struct FileRequest {
    QString objectName;         // of the dialog: "sdMain", "sdScript", ...
    QString caption;
    QString defaultSuffix;      // added to a name typed without one
    QStringList nameFilters;    // first one preselected
    QString proposedName;       // a bare name goes into `directory`
    QString directory;          // the folder the dialog starts in
};

// The answer to the question whether changed pages are saved first.
enum class SaveChoice { Save, Discard, Cancel };

class ModalResponder {
public:
    virtual ~ModalResponder() = default;
    // Returns true for Yes (confirmations) or OK.
    virtual bool message(const Message& message) = 0;
    // Stands in for QDialog::exec(): answer the dialog (fill its widgets,
    // call accept() or reject()) and return its result code.
    virtual int dialog(QDialog& dialog) = 0;
    virtual std::optional<QString> saveFileName(const FileRequest& request) = 0;
    virtual std::optional<QString> openFileName(const FileRequest& request) = 0;
    // An existing folder; a responder that does not know the question
    // cancels.
    virtual std::optional<QString> folderName(const FileRequest& request);
    // Save, Discard or Cancel; a responder that does not know the question
    // cancels.
    virtual SaveChoice saveChanges(const Message& message);
};

// Installs a responder (nullptr restores the real dialogs).
void setResponder(ModalResponder* responder);

void information(const QString& text);
void error(const QString& text);
// A Yes/No question titled "Confirm"; true only for Yes. Enter answers Yes,
// or No for a question whose answer cannot be taken back.
enum class DefaultAnswer { Yes, No };
bool confirm(const QString& text, DefaultAnswer answer = DefaultAnswer::Yes);
// Asks whether the changed pages named in `text` are saved before going on.
SaveChoice askSaveChanges(const QString& text);
// The general error display: titled as error() is, the text
// is the message with "." appended unless it already ends in "." or a
// character that sorts before it.
void generalError(const QString& message);
QString generalErrorText(const QString& message);

// Shows a dialog modally and returns its result code.
int exec(QDialog& dialog);

// The save dialog starts in the folder of the last file chosen (the user's
// documents folder at first) and asks before an existing file is replaced.
std::optional<QString> getSaveFileName(const FileRequest& request);
// The folder the next save dialog starts in.
QString lastSaveFolder();
void setLastSaveFolder(const QString& folder);
std::optional<QString> getOpenFileName(const FileRequest& request);
// An existing folder, chosen in the folder dialog (the request's caption,
// objectName and starting directory count); none for Cancel.
std::optional<QString> getExistingFolder(const FileRequest& request);

// The message of an exception, as the user sees it.
QString messageOf(const std::exception& error);

// Runs a command; an exception it throws goes to the general error display.
// Every handler that can fail runs through here: no exception may reach the
// event loop.
template <typename Command>
void guarded(Command&& command)
{
    try {
        command();
    } catch (const std::exception& failure) {
        generalError(messageOf(failure));
    } catch (...) {
        generalError(QCoreApplication::translate("Modal", "Unknown error"));
    }
}

} // namespace varnett::ui

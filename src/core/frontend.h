#pragma once

#include <QString>
#include <optional>

// Everything the core asks of the user interface. The window implements it
// with widgets, the console for headless runs, and the tests with fakes that
// record what was asked and answer as told.

enum class MessageIcon { None, Information, Exclamation, Critical, Question };
enum class MessageButtons { Ok, OkCancel, YesNo };
enum class MessageAnswer { Ok, Cancel, Yes, No };

// A message box. Texts use CR LF between lines, as the system's messages are
// written; front ends show them as line breaks.
struct UserMessage {
    QString text;
    QString title = QStringLiteral("Wayfold");
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
};

// The answer a box gives when nobody is there to press a button.
MessageAnswer DefaultAnswer(MessageButtons buttons);

// A file dialog. The filter lists "description|pattern" pairs separated by
// "|" ("LOC Files (*.loc)|*.loc|All Files (*.*)|*.*").
struct FileDialogRequest {
    QString title;
    QString fileName;
    QString filter;
    QString defaultExtension;
    QString folder;
};

class Frontend {
public:
    virtual ~Frontend() = default;

    virtual MessageAnswer showMessage(const UserMessage& message) = 0;

    // Status bar panel 1 (store count) and panel 2 (last or current import).
    virtual void setStatusText(int panel, const QString& text) = 0;
    virtual void setExportCaption(const QString& text) = 0;
    virtual void setClearCaption(const QString& text) = 0;
    virtual void setBusy(bool busy) = 0;
    // Lets the window handle pending events while a long job runs.
    virtual void processEvents() = 0;
    // Progress of a long job, done out of total (total 0: no job running).
    virtual void setProgress(qint64 done, qint64 total) = 0;
    // Called once when an import of one file has ended and the status texts
    // show its result.
    virtual void importFinished() = 0;
    // Called when the store's records were moved, changed or dropped as a
    // whole (an export sorted them, the imports were cleared).
    virtual void storeChanged() {}

    // False when nobody can answer a dialog (headless runs): dialogs then
    // answer "cancelled", and the core says what the user could do instead.
    virtual bool canAsk() const { return true; }

    // A path, or empty when the user cancelled.
    virtual std::optional<QString> saveFileDialog(const FileDialogRequest& request) = 0;
    virtual std::optional<QString> openFileDialog(const FileDialogRequest& request) = 0;
    virtual std::optional<QString> folderDialog(const QString& prompt) = 0;
};

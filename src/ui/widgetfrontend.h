#pragma once

#include <QElapsedTimer>

#include "core/frontend.h"

class MainWindow;

// The window's side of the front-end seam: the status line, the captions, the
// busy pointer and the progress bar on the window's widgets, and message boxes
// and file dialogs. Given another front end for questions, boxes and dialogs
// are put to it instead (tests answer them there, so nothing ever waits for a
// click).
class WidgetFrontend final : public Frontend {
public:
    explicit WidgetFrontend(Frontend* questions = nullptr) : questions_(questions) {}
    void attach(MainWindow* window) { window_ = window; }

    MessageAnswer showMessage(const UserMessage& message) override;
    void setStatusText(int panel, const QString& text) override;
    void setExportCaption(const QString& text) override;
    void setClearCaption(const QString& text) override;
    void setBusy(bool busy) override;
    void processEvents() override;
    void setProgress(qint64 done, qint64 total) override;
    void importFinished() override;
    void storeChanged() override;
    std::optional<QString> saveFileDialog(const FileDialogRequest& request) override;
    std::optional<QString> openFileDialog(const FileDialogRequest& request) override;
    std::optional<QString> folderDialog(const QString& prompt) override;

private:
    // A file dialog for saving, or for opening an existing file.
    std::optional<QString> fileDialog(const FileDialogRequest& request, bool save);

    Frontend* questions_;
    MainWindow* window_ = nullptr;
    QElapsedTimer sinceEvents_;
};

// "Desc (*.x)|*.x|All Files (*.*)|*.*" as a Qt file-dialog filter.
QString QtFileFilter(const QString& filter);

#pragma once

#include "core/frontend.h"

class MainWindow;

// The window's side of the front-end seam: message boxes, dialogs and the
// status line as widgets.
class WidgetFrontend final : public Frontend {
public:
    WidgetFrontend() = default;
    void attach(MainWindow* window) { window_ = window; }

    MessageAnswer showMessage(const UserMessage& message) override;
    void setStatusText(int panel, const QString& text) override;
    void setExportCaption(const QString& text) override;
    void setClearCaption(const QString& text) override;
    void setBusy(bool busy) override;
    void processEvents() override;
    void setProgress(qint64, qint64) override {}
    void importFinished() override {}
    std::optional<QString> saveFileDialog(const FileDialogRequest& request) override;
    std::optional<QString> openFileDialog(const FileDialogRequest& request) override;
    std::optional<QString> folderDialog(const QString& prompt) override;

private:
    MainWindow* window_ = nullptr;
};

// "Desc (*.x)|*.x|All Files (*.*)|*.*" as a Qt file-dialog filter.
QString QtFileFilter(const QString& filter);

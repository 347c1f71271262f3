#pragma once

#include <QString>
#include <cstdio>

#include "core/frontend.h"

// The front end of headless runs. Message boxes go to standard error as
// "title: text" and are answered with their default button; dialogs answer
// "cancelled"; each finished import prints the two status texts.
class ConsoleFrontend final : public Frontend {
public:
    explicit ConsoleFrontend(std::FILE* out = stderr);

    MessageAnswer showMessage(const UserMessage& message) override;
    void setStatusText(int panel, const QString& text) override;
    void setExportCaption(const QString&) override {}
    void setClearCaption(const QString&) override {}
    void setBusy(bool) override {}
    void processEvents() override {}
    void setProgress(qint64 done, qint64 total) override;
    void importFinished() override;
    bool canAsk() const override { return false; }
    std::optional<QString> saveFileDialog(const FileDialogRequest&) override {
        return std::nullopt;
    }
    std::optional<QString> openFileDialog(const FileDialogRequest&) override {
        return std::nullopt;
    }
    std::optional<QString> folderDialog(const QString&) override { return std::nullopt; }

    // Writes one line of its own (what a command-line run did).
    void printLine(const QString& text);

private:
    void clearProgressLine();

    std::FILE* out_;
    bool terminal_;
    bool progressShown_ = false;
    QString panel1_;
    QString panel2_;
    qint64 lastPercent_ = -1;
};

#include "ui/widgetfrontend.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

#include "ui/mainwindow.h"

MessageAnswer WidgetFrontend::showMessage(const UserMessage& message) {
    if (questions_ != nullptr) {
        return questions_->showMessage(message);
    }
    QMessageBox box(window_);
    box.setWindowTitle(message.title);
    QString text = message.text;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    box.setText(text);
    switch (message.icon) {
        case MessageIcon::None:
            box.setIcon(QMessageBox::NoIcon);
            break;
        case MessageIcon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case MessageIcon::Exclamation:
            box.setIcon(QMessageBox::Warning);
            break;
        case MessageIcon::Critical:
            box.setIcon(QMessageBox::Critical);
            break;
        case MessageIcon::Question:
            box.setIcon(QMessageBox::Question);
            break;
    }
    switch (message.buttons) {
        case MessageButtons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case MessageButtons::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
        case MessageButtons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
    }
    switch (box.exec()) {
        case QMessageBox::Cancel:
            return MessageAnswer::Cancel;
        case QMessageBox::Yes:
            return MessageAnswer::Yes;
        case QMessageBox::No:
            return MessageAnswer::No;
        default:
            return message.buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
    }
}

void WidgetFrontend::setStatusText(int panel, const QString& text) {
    if (window_ != nullptr) {
        window_->setStatusText(panel, text);
    }
}

void WidgetFrontend::setExportCaption(const QString& text) {
    if (window_ != nullptr) {
        window_->setExportCaption(text);
    }
}

void WidgetFrontend::setClearCaption(const QString& text) {
    if (window_ != nullptr) {
        window_->setClearCaption(text);
    }
}

void WidgetFrontend::setBusy(bool busy) {
    if (window_ != nullptr) {
        window_->setBusy(busy);
    }
}

void WidgetFrontend::processEvents() {
    // Readers offer to let events through after every waypoint. Handing them
    // to the window a hundred times a second keeps it just as responsive and
    // costs nothing like a hundred thousand trips through the event loop.
    if (sinceEvents_.isValid() && sinceEvents_.elapsed() < 10) {
        return;
    }
    // The table takes what a running import has added in one step per pass.
    if (window_ != nullptr) {
        window_->followStore();
    }
    QApplication::processEvents();
    sinceEvents_.start();
}

void WidgetFrontend::setProgress(qint64 done, qint64 total) {
    if (window_ != nullptr) {
        window_->setProgress(done, total);
    }
}

void WidgetFrontend::importFinished() {
    if (window_ != nullptr) {
        window_->importFinished();
    }
}

void WidgetFrontend::storeChanged() {
    if (window_ != nullptr) {
        window_->storeChanged();
    }
}

QString QtFileFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts.at(i);
        QString patterns = parts.at(i + 1);
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        if (!description.contains(QLatin1Char('('))) {
            description += QStringLiteral(" (") + patterns + QLatin1Char(')');
        }
        entries.push_back(description);
    }
    return entries.join(QStringLiteral(";;"));
}

std::optional<QString> WidgetFrontend::fileDialog(const FileDialogRequest& request, bool save) {
    QFileDialog dialog(window_, request.title, request.folder, QtFileFilter(request.filter));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (!save) {
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    dialog.setDefaultSuffix(request.defaultExtension);
    dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().front();
}

std::optional<QString> WidgetFrontend::saveFileDialog(const FileDialogRequest& request) {
    if (questions_ != nullptr) {
        return questions_->saveFileDialog(request);
    }
    return fileDialog(request, true);
}

std::optional<QString> WidgetFrontend::openFileDialog(const FileDialogRequest& request) {
    if (questions_ != nullptr) {
        return questions_->openFileDialog(request);
    }
    return fileDialog(request, false);
}

std::optional<QString> WidgetFrontend::folderDialog(const QString& prompt) {
    if (questions_ != nullptr) {
        return questions_->folderDialog(prompt);
    }
    const QString folder = QFileDialog::getExistingDirectory(
        window_, prompt, QString(), QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    if (folder.isEmpty()) {
        return std::nullopt;
    }
    return folder;
}

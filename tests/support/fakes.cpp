#include "support/fakes.h"

#include <QDir>
#include <QFileInfo>

MessageAnswer FakeFrontend::showMessage(const UserMessage& message) {
    messages.push_back(message);
    if (messageAnswers.empty()) {
        return DefaultAnswer(message.buttons);
    }
    const MessageAnswer answer = messageAnswers.front();
    messageAnswers.pop_front();
    return answer;
}

void FakeFrontend::setStatusText(int panel, const QString& text) {
    if (panel == 1) {
        panel1 = text;
    } else if (panel == 2) {
        panel2 = text;
        panel2History.push_back(text);
    }
}

void FakeFrontend::processEvents() {
    ++eventsProcessed;
    if (onProcessEvents) {
        onProcessEvents();
    }
}

std::optional<QString> FakeFrontend::saveFileDialog(const FileDialogRequest& request) {
    dialogs.push_back(request);
    return takeDialogAnswer();
}

std::optional<QString> FakeFrontend::openFileDialog(const FileDialogRequest& request) {
    return saveFileDialog(request);
}

std::optional<QString> FakeFrontend::folderDialog(const QString& prompt) {
    folderPrompts.push_back(prompt);
    return takeDialogAnswer();
}

std::optional<QString> FakeFrontend::takeDialogAnswer() {
    if (dialogAnswers.empty()) {
        return std::nullopt;
    }
    const QString answer = dialogAnswers.front();
    dialogAnswers.pop_front();
    if (answer.isNull()) {
        return std::nullopt;
    }
    return answer;
}

QStringList FakeFrontend::messageTexts() const {
    QStringList texts;
    for (const UserMessage& m : messages) {
        texts.push_back(m.text);
    }
    return texts;
}

void RecordingProgress::letEventsThrough() {
    ++eventPasses;
    if (cancelAfterEvents > 0 && eventPasses == cancelAfterEvents) {
        cancelRequested = true;
    }
}

bool RecordingProgress::takeCancelRequest() {
    const bool requested = cancelRequested;
    cancelRequested = false;
    return requested;
}

bool FakeProcessStarter::startDetached(const QString& program, const QStringList& arguments,
                                       QString* error) {
    starts.push_back({program, arguments});
    if (fail && error != nullptr) {
        *error = QStringLiteral("No such file or directory");
    }
    return !fail;
}

TestSession::TestSession()
    : now(QDate(2026, 12, 5), QTime(1, 2, 3), Qt::UTC),
      session(
          frontend, settings, processes, [this] { return now; }, QDir::tempPath()) {}

QString FixturePath(const QString& name) {
    return QStringLiteral(WAYFOLD_FIXTURES) + QLatin1Char('/') + name;
}

bool FixturesAvailable() {
    return QFileInfo(QStringLiteral(WAYFOLD_FIXTURES)).isDir();
}

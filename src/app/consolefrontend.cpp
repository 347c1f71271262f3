#include "app/consolefrontend.h"

#include <unistd.h>

ConsoleFrontend::ConsoleFrontend(std::FILE* out) : out_(out), terminal_(isatty(fileno(out)) != 0) {}

void ConsoleFrontend::printLine(const QString& text) {
    clearProgressLine();
    std::fputs(text.toLocal8Bit().constData(), out_);
    std::fputc('\n', out_);
    std::fflush(out_);
}

MessageAnswer ConsoleFrontend::showMessage(const UserMessage& message) {
    QString text = message.text;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    printLine(message.title + QStringLiteral(": ") + text);
    return DefaultAnswer(message.buttons);
}

void ConsoleFrontend::setStatusText(int panel, const QString& text) {
    if (panel == 1) {
        panel1_ = text;
    } else if (panel == 2) {
        panel2_ = text;
    }
}

void ConsoleFrontend::setProgress(qint64 done, qint64 total) {
    if (!terminal_) {
        return;
    }
    if (total <= 0) {
        clearProgressLine();
        return;
    }
    const qint64 percent = done * 100 / total;
    if (percent == lastPercent_) {
        return;
    }
    lastPercent_ = percent;
    std::fprintf(out_, "\r%s %3lld%%", panel1_.toLocal8Bit().constData(),
                 static_cast<long long>(percent));
    std::fflush(out_);
    progressShown_ = true;
}

void ConsoleFrontend::importFinished() {
    printLine(panel1_ + QStringLiteral(" | ") + panel2_);
}

void ConsoleFrontend::clearProgressLine() {
    if (progressShown_) {
        std::fputs("\r\033[K", out_);
        progressShown_ = false;
        lastPercent_ = -1;
    }
}

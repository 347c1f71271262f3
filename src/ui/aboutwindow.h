#pragma once

#include <QDialog>
#include <QString>

class QFrame;
class QLabel;

// The system-menu entry "&About Wayfold..." that Windows reports with
// WM_SYSCOMMAND (274). Only the exact identifier counts: the low bits of
// system commands carry flags, and 1000 with flags is some other command.
inline constexpr quintptr AboutCommandId = 1000;
inline constexpr unsigned SystemCommandMessage = 274;
constexpr bool IsAboutCommand(unsigned message, quintptr parameter) {
    return message == SystemCommandMessage && parameter == AboutCommandId;
}

// "Product version: 0.61 Build 215" for version 0.61.215.
QString ProductVersionText(int major, int minor, int revision);

// The About window: the logo, the credits, the version, the copyright and
// where the documentation is. Its Close button, any key (Escape among them)
// or a click on it closes it.
class AboutWindow final : public QDialog {
    Q_OBJECT

public:
    explicit AboutWindow(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QFrame* fraAll_;
    QLabel* imgLogo_;
    QLabel* lblInfo_;
    QLabel* lblVersion_;
    QLabel* lblLicence_;
};

#include "ui/aboutwindow.h"

#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

#include "ui/logo.h"

QString ProductVersionText(int major, int minor, int revision) {
    return QStringLiteral("Product version: ") + QString::number(major) + QLatin1Char('.') +
           QString::number(minor) + QStringLiteral(" Build ") + QString::number(revision);
}

AboutWindow::AboutWindow(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      fraAll_(new QFrame(this)),
      imgLogo_(new QLabel(fraAll_)),
      lblInfo_(new QLabel(fraAll_)),
      lblVersion_(new QLabel(fraAll_)) {
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(QStringLiteral("About Wayfold"));
    fraAll_->setObjectName(QStringLiteral("fraAll"));
    imgLogo_->setObjectName(QStringLiteral("imgLogo"));
    lblInfo_->setObjectName(QStringLiteral("lblInfo"));
    lblVersion_->setObjectName(QStringLiteral("lblVersion"));

    fraAll_->setFrameShape(QFrame::Box);
    imgLogo_->setPixmap(WayfoldLogo(96));
    lblInfo_->setText(
        QStringLiteral("Wayfold\n"
                       "A waypoint file convertor for geocachers\n"
                       "\n"
                       "Written by the Wayfold developers.\n"
                       "MPS and GDB files are read and written for Garmin MapSource;\n"
                       "maps and map data remain those of their makers.\n"
                       "\n"
                       "Feedback and reports: the project's issue tracker."));
    lblVersion_->setText(
        ProductVersionText(WAYFOLD_VERSION_MAJOR, WAYFOLD_VERSION_MINOR, WAYFOLD_VERSION_PATCH));
    for (QLabel* label : {imgLogo_, lblInfo_, lblVersion_}) {
        label->setAlignment(Qt::AlignHCenter);
        label->installEventFilter(this);
    }
    fraAll_->installEventFilter(this);

    auto* inner = new QVBoxLayout(fraAll_);
    inner->setContentsMargins(24, 18, 24, 18);
    inner->setSpacing(12);
    inner->addWidget(imgLogo_, 0, Qt::AlignHCenter);
    inner->addWidget(lblInfo_, 0, Qt::AlignHCenter);
    inner->addWidget(lblVersion_, 0, Qt::AlignHCenter);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(fraAll_);
}

void AboutWindow::keyPressEvent(QKeyEvent* event) {
    event->accept();
    close();
}

void AboutWindow::mousePressEvent(QMouseEvent* event) {
    QDialog::mousePressEvent(event);
    close();
}

bool AboutWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        close();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

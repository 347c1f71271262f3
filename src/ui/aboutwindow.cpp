#include "ui/aboutwindow.h"

#include <QDialogButtonBox>
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
    : QDialog(parent),
      fraAll_(new QFrame(this)),
      imgLogo_(new QLabel(fraAll_)),
      lblInfo_(new QLabel(fraAll_)),
      lblVersion_(new QLabel(fraAll_)),
      lblLicence_(new QLabel(fraAll_)) {
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(QStringLiteral("About Wayfold"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    fraAll_->setObjectName(QStringLiteral("fraAll"));
    imgLogo_->setObjectName(QStringLiteral("imgLogo"));
    lblInfo_->setObjectName(QStringLiteral("lblInfo"));
    lblVersion_->setObjectName(QStringLiteral("lblVersion"));

    fraAll_->setFrameShape(QFrame::Box);
    imgLogo_->setPixmap(WayfoldLogo(96));
    lblInfo_->setText(
        QStringLiteral("Wayfold " WAYFOLD_VERSION "\n"
                       "A waypoint file convertor for geocachers\n"
                       "\n"
                       "Written by the Wayfold developers.\n"
                       "MPS and GDB files are read and written for Garmin MapSource;\n"
                       "maps and map data remain those of their makers.\n"
                       "\n"
                       "Feedback and reports: the project's issue tracker."));
    lblVersion_->setText(
        ProductVersionText(WAYFOLD_VERSION_MAJOR, WAYFOLD_VERSION_MINOR, WAYFOLD_VERSION_PATCH));
    lblLicence_->setObjectName(QStringLiteral("lblLicence"));
    lblLicence_->setText(QStringLiteral(
        "Copyright \u00A9 2026 the Wayfold developers. All rights reserved.\n"
        "The manual: man wayfold. The source, with its README: the Wayfold project."));
    for (QLabel* label : {imgLogo_, lblInfo_, lblVersion_, lblLicence_}) {
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
    inner->addWidget(lblLicence_, 0, Qt::AlignHCenter);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->setObjectName(QStringLiteral("cmdClose"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(fraAll_);
    outer->addWidget(buttons);
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

#include "ui/mainwindow.h"

#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include "core/importer.h"
#include "core/session.h"

MainWindow::MainWindow(Session& session, QWidget* parent)
    : QMainWindow(parent),
      session_(session),
      panel1_(new QLabel(this)),
      panel2_(new QLabel(this)),
      exportCaption_(new QLabel(this)),
      clearButton_(new QPushButton(QStringLiteral("Clear Imports"), this)) {
    setWindowTitle(QStringLiteral("Wayfold"));
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(new QLabel(QStringLiteral(
        "Wayfold converts multiple files in MPS, GDB, GPX and LOC format into a single file in "
        "Garmin Mapsource or LOC format.")));
    layout->addWidget(exportCaption_);
    layout->addWidget(clearButton_);
    setCentralWidget(central);
    statusBar()->addWidget(panel1_, 1);
    statusBar()->addWidget(panel2_, 1);
    connect(clearButton_, &QPushButton::clicked, this, [this] { ClearOrCancel(session_); });
}

QLabel* MainWindow::statusPanel(int panel) const {
    return panel == 1 ? panel1_ : panel2_;
}

#pragma once

#include <QMainWindow>

class QLabel;
class QPushButton;
struct Session;

// The program's window. For now it shows the status line and the Clear
// button; the file browser, export frame and option tabs come with it later.
class MainWindow final : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(Session& session, QWidget* parent = nullptr);

    QLabel* statusPanel(int panel) const;
    QLabel* exportCaption() const { return exportCaption_; }
    QPushButton* clearButton() const { return clearButton_; }

private:
    Session& session_;
    QLabel* panel1_;
    QLabel* panel2_;
    QLabel* exportCaption_;
    QPushButton* clearButton_;
};

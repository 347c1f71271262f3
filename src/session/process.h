#pragma once

#include <QString>
#include <QStringList>

// Starts outside programs (MapSource) without waiting for them. The program
// and each argument are passed separately: no shell and no command-line text
// is ever built.
class ProcessStarter {
public:
    virtual ~ProcessStarter() = default;
    // False with a reason in *error when the program could not be started.
    virtual bool startDetached(const QString& program, const QStringList& arguments,
                               QString* error) = 0;
};

class QtProcessStarter final : public ProcessStarter {
public:
    bool startDetached(const QString& program, const QStringList& arguments,
                       QString* error) override;
};

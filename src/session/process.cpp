#include "session/process.h"

#include <QProcess>

bool QtProcessStarter::startDetached(const QString& program, const QStringList& arguments,
                                     QString* error) {
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    if (process.startDetached()) {
        return true;
    }
    if (error != nullptr) {
        *error = process.errorString();
    }
    return false;
}

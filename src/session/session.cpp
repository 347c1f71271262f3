#include "session/session.h"

#include <QStorageInfo>
#include <utility>

#include "core/textutil.h"

Session::Session(Frontend& frontend_, SettingsStore& settings_, ProcessStarter& processes_,
                 Clock clock_, QString tempFolder_)
    : frontend(frontend_),
      settings(settings_),
      processes(processes_),
      clock(std::move(clock_)),
      tempFolder(std::move(tempFolder_)) {
    // The manual time starts as the current time, taken the way the time box
    // of the option tabs shows and reads it.
    options.ManualTime = ManualTimeSeconds(DateTimeText(nowUtc())).value_or(0);
}

MessageAnswer Session::report(const UserMessage& message) {
    ++problemCount;
    return frontend.showMessage(message);
}

QDateTime SystemClockUtc() {
    return QDateTime::currentDateTimeUtc();
}

QStringList MountedVolumes() {
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && volume.isReady()) {
            roots.push_back(volume.rootPath());
        }
    }
    return roots;
}

qint64 FreeBytes(const QString& path) {
    const QStorageInfo volume(path);
    return volume.isValid() ? volume.bytesAvailable() : -1;
}

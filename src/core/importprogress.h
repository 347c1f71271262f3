#pragma once

#include <QtGlobal>
#include <vector>

#include "core/frontend.h"

// What a reader may ask of the import that runs it. Readers never talk to the
// user themselves: they report through this and return their messages.
class ImportProgress {
public:
    virtual ~ImportProgress() = default;
    // The store's count including what this reader has added so far.
    virtual void showRunningTotal(qint32 total) = 0;
    // "Current import: " + count in the second status panel.
    virtual void showCurrentImport(qint32 count) = 0;
    // Lets the window handle pending events.
    virtual void letEventsThrough() = 0;
    // True when the user asked to cancel the import; the request is used up.
    virtual bool takeCancelRequest() = 0;
    // How far through the file the reader is, for the progress bar.
    virtual void showFileProgress(qint64 done, qint64 total) = 0;
};

// What a reader hands back: the number shown as the last import's result,
// and the messages to show after it returned (errors, warnings, notes).
struct ImportResult {
    qint32 result = 0;
    std::vector<UserMessage> messages;
};

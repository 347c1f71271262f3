#pragma once

struct Session;

// Deletes the temporary files handed to MapSource; a file that cannot be
// deleted (missing, in use) is left without a message.
void DeleteTemporaryFiles(Session& session);

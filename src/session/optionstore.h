#pragma once

// The options kept in the settings store: read at start-up, written as the
// user changes them.

#include <QString>

#include "core/options.h"

class SettingsStore;

// Fills the options from the settings store: IconNumber must be one of the
// symbols the option tabs offer and DisplayMode 0, 1 or 2, otherwise the
// default is taken and written back; check boxes are on when their stored
// state is not 0.
void RestoreOptions(Options& options, SettingsStore& settings);

// Stores one option value as text.
void SaveOption(SettingsStore& settings, const QString& name, const QString& text);

#pragma once

// The options kept in the settings store: read at start-up, written as the
// user changes them. One table binds each option to its stored value and to
// the control that shows it.

#include <QString>
#include <span>
#include <variant>

#include "core/options.h"

class SettingsStore;

enum class OptionKind {
    Flag,        // a check box: on when the stored number is not 0
    Choice,      // one of a group of buttons: a stored number that is none of
                 // the values gives the default, which is written back
    Categories,  // sixteen check boxes, a 16-bit set whose bit 15 is the sign
    List,        // a list: the stored text must spell one of the values, else the first
    Site,        // not shown: the scheme and host of the stored address
    Text,        // not shown: the stored text as it is, even empty; the default when none
};

struct OptionBinding {
    const char* key;  // the value's name in the settings store
    const char* defaultText;
    OptionKind kind;
    std::variant<bool Options::*, qint32 Options::*, qint16 Options::*, QString Options::*> member;
    // The object name of the control; for buttons and boxes of one option the
    // prefix their number follows ("optWptIcon0"). nullptr when not shown.
    const char* control;
    // Choice and List: the value of each button or list item, in order.
    std::span<const qint32> values;
};

// Every option, in the order they are restored.
std::span<const OptionBinding> OptionBindings();
const OptionBinding& OptionBindingByKey(const char* key);

// Fills the options from the settings store as the table says.
void RestoreOptions(Options& options, SettingsStore& settings);

// The option as a number: a flag is 0 or 1, a site is 0.
qint32 OptionValue(const Options& options, const OptionBinding& binding);
// Sets the option and stores it as its number (a flag as 0 or 1).
void SetOption(Options& options, SettingsStore& settings, const OptionBinding& binding,
               qint32 value);

// Stores one option value as text.
void SaveOption(SettingsStore& settings, const QString& name, const QString& text);

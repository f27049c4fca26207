// The setup tool's logic, apart from any window: which options the dialog
// starts with, what SAVE does and which messages it shows, and the install
// step. The dialog supplies the message boxes through MessageBoxSeam.
#pragma once

#include "settings/settings.h"

// Shows a modal message box with an OK button; returns when dismissed.
struct MessageBoxSeam {
    void (*show)(void* owner, const char* text, const char* caption);
    void* owner;
};

extern const char kNoIniMessage[];      // "No ini found !"
extern const char kSavedMessage[];      // "Options Saved"
extern const char kSaveErrorMessage[];  // "E/A Error ?"
extern const char kInstalledMessage[];  // shown once the game has its final name

// The setup-tool defaults, then "setup.ini"; "No ini found !" when it
// cannot be read.
void initDialogOptions(SetupOptions& options, const MessageBoxSeam& messages);

// SAVE: writes "setup.ini", reports the outcome, then installs the game
// whatever the outcome was, and reports a successful install.
void saveOptions(const SetupOptions& options, const MessageBoxSeam& messages);

// Renames "VLwait.nul" to "VOLTARI.exe" in the working directory. Never
// replaces an existing "VOLTARI.exe"; false and nothing changed when the
// target exists or the source is missing.
bool installGame();

// The no-replace rename installGame goes through (renameat2 with
// RENAME_NOREPLACE by default), so tests can play a file system without it.
extern int (*renameNoReplaceSeam)(const char* from, const char* to);

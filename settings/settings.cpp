// STUB: replaced by the settings implementation.
#include "settings/settings.h"
Settings settings = {1, 1, 1, 0, 0.0f, 10};
void loadSettings() {}
bool readSetupOptions(SetupOptions& o) { o = SetupOptions{1, 0, 1, 0, 0}; return false; }
bool writeSetupOptions(const SetupOptions&) { return false; }

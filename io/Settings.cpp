// Filled in with the settings file.
#include "Settings.h"

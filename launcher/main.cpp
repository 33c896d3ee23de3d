#include "launcher.h"

// The one application object; the framework entry finds it.
CLauncherApp theApp;

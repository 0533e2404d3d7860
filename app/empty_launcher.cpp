// Until the launcher shell is built into the program: an empty frame function,
// so the spine runs on its own.
#include "app/launcher_hooks.h"

int LauncherSystemInit(ITevModule**, ITevApp*) { return 0; }
int LauncherUserInit() { return 0; }
int LauncherMainLoop() { return 0; }
void LauncherCleanUp() {}

// The launcher shell's four hooks, called by the application object.
#pragma once

class ITevModule;
class ITevApp;

// block: the four service modules in the order draw, input, movie, sound.
int LauncherSystemInit(ITevModule** block, ITevApp* app);  // 0 = success
int LauncherUserInit();                                    // 0 = success
int LauncherMainLoop();                                    // non-zero = quit
void LauncherCleanUp();

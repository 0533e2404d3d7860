// A game built on the kit: MainLoop returns the next value of the kit's rand,
// so a reload must restart the sequence. UserInit seeds from its record's
// byte 1 when byte 5 is 2 (a test hook) and binds the standard buttons.
#include "games/kit/tev_kit.h"

int SystemInit(ITevModule**, ITevApp*) { return 0; }
TevGameInfo* GetInfo(TevGameInfo* buffer) { return KitFillInfo(buffer, "Kit Game", "Tester", "Kit rand", ""); }
int UserInit(const unsigned char* keyConfig) {
    if (keyConfig[5] == 2)
        TevSrand(keyConfig[1]);
    return 0;
}
int MainLoop(void) { return TevRand(); }
int CleanUp(void) { return 0; }

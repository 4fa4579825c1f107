// Exits with 0 when started: tools/test.sh runs it to learn whether this machine's Wine
// can execute programs of its architecture. A window-less GUI program, so that Wine starts
// neither a console host nor a desktop for it.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return 0;
}

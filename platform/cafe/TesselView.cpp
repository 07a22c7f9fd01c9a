// Stand-in for the café client's TesselView.exe: a marker program whose
// running process (or file) tells the launcher it is on a café machine. It
// does nothing and runs until it is ended.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    for (;;) Sleep(INFINITE);
}

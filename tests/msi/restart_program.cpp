// Stands in for the program when the printer package asks for a restart:
// every command answers 3010 ("done; a restart is needed to finish").
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return 3010; }

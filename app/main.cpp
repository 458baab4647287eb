#include <windows.h>

#include "CDrovaneApp.h"

namespace {
CDrovaneApp theApp;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    return AfxWinMain(instance);
}

#pragma once
// The main frame as start-up makes it, for tests: the test program's application object and a
// fresh document, frame and view through the document template.
#include "CMainFrame.h"
#include "UiTestApp.h"

extern CUiTestApp theApp;

CMainFrame* OpenFrame();
// Closes the frame the way the user does; it saves its placement while it goes.
void CloseFrame(CMainFrame* frame);

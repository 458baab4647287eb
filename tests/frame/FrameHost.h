#pragma once
// The main frame as start-up makes it, for tests: the test program's application object and a
// fresh document, frame and view through the document template.
#include <gtest/gtest.h>

#include "CMainFrame.h"
#include "UiTestApp.h"

extern CUiTestApp theApp;

CMainFrame* OpenFrame();
// Closes the frame the way the user does; it saves its placement while it goes.
void CloseFrame(CMainFrame* frame);

// A test with a fresh main window and a clean profile.
class FrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ClearProfile();
        frame = OpenFrame();
        ASSERT_NE(frame, nullptr);
    }
    void TearDown() override
    {
        if (frame) CloseFrame(frame);
        ClearProfile();
    }

    CMainFrame* frame = nullptr;
};

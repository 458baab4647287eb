// Resource identifiers of drovane.exe.
#pragma once

#include "AfxIds.h"

// Shared by the frame's menu, accelerators, icon, toolbar and document string.
#define IDR_MAINFRAME 128
#define IDD_ABOUTBOX 100
#define IDD_NEWTASK 102
#define IDD_FLASHVIEWER 103
#define IDD_PROXY 106
#define IDD_GENERAL 129
#define IDR_ROWMENU 133
#define IDB_TOOLBAR 134
// The toolbar strip drawn for 150 % and 200 % displays (IDB_TOOLBAR is the 100 % one).
#define IDB_TOOLBAR_150 135
#define IDB_TOOLBAR_200 136
#define IDI_VIEWER 137

// New Task dialog
#define IDC_URL 1000
#define IDC_START 1001
#define IDC_STATUS 1002
#define IDC_PROGRESS 1003

// Flash Viewer
#define IDC_FLASH 1004
#define IDC_CLOSE 1010
// Options sheet: the Proxy page
#define IDC_DIRECT 1005
#define IDC_USE_PROXY 1006
#define IDC_PROXY_SERVER 1007
#define IDC_PROXY_PORT 1008
// Options sheet: the General page
#define IDC_SAVE_PATH 1009
#define IDC_BROWSE 1011
#define IDC_SIMULTANEOUS 1014
#define IDC_SIMULTANEOUS_SPIN 1015
#define IDC_FIND_IN_SCRIPTS 1030

// About box
#define IDC_WEBSITE 1012
#define IDC_MAIL 1013
#define IDC_COPYRIGHT 1020

// Commands
#define ID_OPTIONS 32771
#define ID_HELP_CONTENTS 32772
#define ID_HELP_WEBSITE 32773
#define ID_HELP_CONTACT 32774
#define ID_DOWNLOAD_START 32775
#define ID_DOWNLOAD_STOP 32776
#define ID_NEW_TASK 32777
#define ID_CUT 32778
#define ID_COPY_URL 32779
#define ID_DELETE 32780
#define ID_PREVIEW 32788
#define ID_COPY_TO_FOLDER 32789
#define ID_MOVE_TO_FOLDER 32790
#define ID_CHECK_ALL 32793
#define ID_UNCHECK_ALL 32794
#define ID_REVERSE 32795
#define ID_TASK_START 32796
#define ID_TASK_STOP 32797
#define ID_OPEN_FOLDER 32798
#define IDC_STATIC (-1)

// Strings
#define IDS_SELECT_SAVE_FOLDER 61204

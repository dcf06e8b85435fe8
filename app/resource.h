#pragma once
// Every resource and control id of both dialogs: the main dialog's fields are
// the contract every part of flickbox reads and writes; the resource script
// includes this header too.

#define IDD_MAIN                101
#define IDD_CONVERT             139

#define IDB_MAIN_BACKGROUND     117
#define IDB_CONVERT_BACKGROUND  140
#define IDI_FLICKBOX            111

#define IDC_MAIN_DEMO_PATH      1000
#define IDC_MAIN_BROWSE_DEMO    1001
#define IDC_MAIN_SUMMARY        1007
#define IDC_MAIN_PLAY           1010
#define IDC_MAIN_EXE_PATH       1011
#define IDC_MAIN_SAVE           1012
#define IDC_MAIN_COMMAND_LINE   1013
#define IDC_MAIN_BROWSE_EXE     1021
#define IDC_MAIN_DEMO_SPEED     1026
#define IDC_MAIN_BROWSER        1028
#define IDC_MAIN_STRIP          1029
#define IDC_MAIN_CONVERT        1030
#define IDC_MAIN_FOLDER         1031
#define IDC_MAIN_DESKTOP        1034
#define IDC_MAIN_PLAYERS        1037

#define IDC_CONVERT_NEW_WIDTH   1035
#define IDC_CONVERT_NEW_HEIGHT  1036
#define IDC_CONVERT_OLD_WIDTH   1038
#define IDC_CONVERT_OLD_HEIGHT  1040

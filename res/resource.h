// Resource and control identifiers shared by the resource script and the code.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Dialog templates
#define IDD_ABOUTBOX 100
#define IDD_VANTREL_DIALOG 102
#define IDD_DEVICE_NAME 104

// Strings
#define IDS_ABOUTBOX 101

// Icons
#define IDR_MAINFRAME 128
#define IDI_SCAN 135
#define IDI_SCAN_HOVER 136
#define IDI_SCAN_DISABLED 142
#define IDI_CLOSE 143
#define IDI_CLOSE_DISABLED 144
#define IDI_CLOSE_HOVER 145
#define IDI_EXPORT 146
#define IDI_EXPORT_DISABLED 147
#define IDI_EXPORT_HOVER 148
#define IDI_HOST 150

// Bitmaps
#define IDB_SORT_DOWN 133
#define IDB_SORT_UP 134
#define IDB_BANNER 138
#define IDB_ABOUT_LOGO 140
#define IDB_COPY 152

// The help page (an HTML resource)
#define IDR_HELP_PAGE 160

// Menus
#define IDR_CONTEXT_MENU 151
#define ID_COPY_ADDRESS 32771
#define ID_NAME_DEVICE 32772

// System menu command of the About box
#define IDM_ABOUTBOX 0x0010

// Main window controls
#define IDC_START_SCAN 1
#define IDC_AUTOMATIC 1001
#define IDC_MANUAL 1002
#define IDC_UNUSED_EDIT1 1003
#define IDC_UNUSED_EDIT2 1004
#define IDC_RESULTS_LIST 1006
#define IDC_RANGE_LABEL 1007
#define IDC_MODE_LABEL 1010
#define IDC_PING_LABEL 1012
#define IDC_COMPANION_LINK 1013
#define IDC_AUTOMATIC_LABEL 1014
#define IDC_MANUAL_LABEL 1015
#define IDC_HELP_LINK 1018
#define IDC_ABOUT_LINK 1019
#define IDC_VERSION_LINK 1020
#define IDC_SCAN_GROUP 1021
#define IDC_PING_CHECK 1022
#define IDC_EXPORT 1023
#define IDC_CLOSE 1024
#define IDC_START_ADDRESS 1026
#define IDC_END_ADDRESS 1027
#define IDC_BANNER 1028

// About box controls
#define IDC_ABOUT_VERSION 1014
#define IDC_ABOUT_HIDDEN 1015
#define IDC_ABOUT_LABEL1 1016
#define IDC_ABOUT_LABEL2 1017
#define IDC_ABOUT_SITE_LINK 1018
#define IDC_ABOUT_NOTICE 1020
#define IDC_ABOUT_EMAIL 1021

// Device name dialog controls
#define IDC_DEVICE_ADDRESS 1101
#define IDC_DEVICE_MAC 1102
#define IDC_DEVICE_NAME 1103

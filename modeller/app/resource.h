// Ids of the editor's resources, shared by the resource script and the code.
#ifndef TOBURE_MODELLER_APP_RESOURCE_H
#define TOBURE_MODELLER_APP_RESOURCE_H

// Named resources: the frame class's menu and icon.
#define IDR_MAIN_MENU "MAIN_MENU"
#define IDI_MAIN_ICON "MAIN_ICON"

// Toolbar button strips, 20 x 20 pixels per image.
#define IDB_MODERING_TOOLBAR 10
#define IDB_PARTSLIST_TOOLBAR 11

// The completion sound, resource type "WAVE".
#define IDW_COMPLETE_SOUND 20

// Commands of the modelling panel and the controller.
#define IDM_DELETE_FACE_OFF 200
#define IDM_DELETE_FACE 201
#define IDM_ROTATE_ABOUT_PARTS 202
#define IDM_ROTATE_ABOUT_MODEL 203
#define IDM_RESET_VIEW 204
#define IDM_BROWSE_MODE 205
#define IDM_BROWSE_MODE_OFF 206

// Commands of the parts list.
#define IDM_SHOW_ALL_PARTS 300
#define IDM_HIDE_ALL_PARTS 301
#define IDM_SWAP_PANELS 302

// File and other commands.
#define IDM_NEW 1000
#define IDM_OPEN 1001
#define IDM_SAVE 1002
#define IDM_SAVE_AS 1003
#define IDM_EXIT 1004
#define IDM_HELP 1010
#define IDM_VERSION 1011

// Tooltip strings.
#define IDS_TIP_NEW 2000
#define IDS_TIP_OPEN 2001
#define IDS_TIP_SAVE 2002
#define IDS_TIP_HELP 2003
#define IDS_TIP_DELETE_FACE 2010
#define IDS_TIP_ROTATE_ABOUT_MODEL 2011
#define IDS_TIP_RESET_VIEW 2012
#define IDS_TIP_BROWSE_MODE 2013
#define IDS_TIP_SHOW_ALL_PARTS 2020
#define IDS_TIP_HIDE_ALL_PARTS 2021
#define IDS_TIP_SWAP_PANELS 2022

#endif

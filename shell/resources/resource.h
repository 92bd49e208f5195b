// Every resource id of the application: strings, dialog templates and their
// controls, menus and their commands, icons, and the main window's children.
// Shared by the resource script and the C++ sources.
#pragma once

// Strings. The program loads the 255..295 table; the English (id - 100) and
// Traditional Chinese (id + 100) tables are parallel texts it never loads.
#define IDS_TITLE 255
#define IDS_DEVICE_ATTACHED 256
#define IDS_DEVICE_DETACHED 257
#define IDS_TRAY_TIP 258
#define IDS_GENERAL 259
#define IDS_PARAMETERS 260
#define IDS_DEMO 261
#define IDS_WARNING 262
#define IDS_MESSAGE 263
#define IDS_ERROR 264
#define IDS_SETTING 265
#define IDS_TEST 266
#define IDS_CALIBRATION 267
#define IDS_CALIBRATION_DONE 268
#define IDS_CALIBRATION_NOT_DONE 269
#define IDS_GESTURE_MAPPING 270
#define IDS_DRAW_TEST 271
#define IDS_CLEAR 272
#define IDS_EXIT 273
#define IDS_FIRMWARE_UPGRADE 274
#define IDS_FILE_PATH 275
#define IDS_CODE_SIZE 276
#define IDS_CHECKSUM 277
#define IDS_LOAD 278
#define IDS_UPGRADE 279
#define IDS_DOUBLE_CLICK_AREA 280
#define IDS_CONSTANT_TOUCH 281
#define IDS_RIGHT_CLICK_INTERVAL 282
#define IDS_GESTURE_SCALE 283
#define IDS_SINGLE_TOUCH 284
#define IDS_PINCH 285
#define IDS_PAN 286
#define IDS_LARGER 287
#define IDS_SMALLER 288
#define IDS_ABOUT 289
#define IDS_OK 290
#define IDS_FILE_SIZE_ZERO 291
#define IDS_CONFIRM_UPGRADE 292
#define IDS_RESET_FAILED 293
#define IDS_UPGRADE_OK 294
#define IDS_UPGRADE_FAILED 295

#define IDS_FIRST 255
#define IDS_LAST 295
#define IDS_ENGLISH_OFFSET (-100)
#define IDS_TRADITIONAL_OFFSET 100

// Dialog templates.
#define IDD_ABOUT 102
#define IDD_CALIBRATION 106
#define IDD_GESTURE_MAPPING 122
#define IDD_GENERAL_FULL 125
#define IDD_DRAW_TEST 127
#define IDD_PARAMETERS 128
#define IDD_GENERAL_FULL_ALT 157
#define IDD_GENERAL 158

// Controls that are never addressed.
#define IDC_STATIC (-1)

// Controls of the about box (OK is IDOK, 1).
#define IDC_ABOUT_TEXT 1073

// Controls of the GENERAL dialogs.
#define IDC_CALIBRATE 1049
#define IDC_GESTURE_MAPPING 1050
#define IDC_FIRMWARE_UPGRADE 1075
#define IDC_SETTING_GROUP 1099
#define IDC_TEST_GROUP 1100
#define IDC_DRAW_TEST 1101

// Controls of the gesture mapping dialog.
#define IDC_GESTURE_COMBO 1044
#define IDC_MODIFIER_COMBO 1045
#define IDC_KEY_COMBO 1046

// Buttons the drawing test creates at run time.
#define IDC_DRAW_EXIT 101
#define IDC_DRAW_CLEAR 102

// Controls of the parameters dialog: group boxes, sliders and their labels.
#define IDC_DOUBLE_CLICK_GROUP 1026
#define IDC_CONSTANT_TOUCH_GROUP 1081
#define IDC_RIGHT_CLICK_GROUP 1082
#define IDC_GESTURE_SCALE_GROUP 1083
#define IDC_DOUBLE_CLICK_SLIDER 1057
#define IDC_CONSTANT_TOUCH_SLIDER 1058
#define IDC_RIGHT_CLICK_SLIDER 1059
#define IDC_SINGLE_TOUCH_SLIDER 1060
#define IDC_PAN_SLIDER 1061
#define IDC_PINCH_SLIDER 1062
#define IDC_DOUBLE_CLICK_SMALLER 1084
#define IDC_CONSTANT_TOUCH_SMALLER 1085
#define IDC_RIGHT_CLICK_SMALLER 1086
#define IDC_SINGLE_TOUCH_SMALLER 1087
#define IDC_PINCH_SMALLER 1088
#define IDC_PAN_SMALLER 1089
#define IDC_DOUBLE_CLICK_LARGER 1090
#define IDC_CONSTANT_TOUCH_LARGER 1091
#define IDC_RIGHT_CLICK_LARGER 1092
#define IDC_SINGLE_TOUCH_LARGER 1093
#define IDC_PINCH_LARGER 1094
#define IDC_PAN_LARGER 1095
#define IDC_SINGLE_TOUCH_LABEL 1096
#define IDC_PINCH_LABEL 1097
#define IDC_PAN_LABEL 1098

// Menus and their commands.
#define IDM_FILE_ENGLISH 119
#define IDM_GESTURE_MAPPING 120
#define IDM_TRAY 121
#define IDM_TRAY_TRADITIONAL 122
#define IDM_CLOSE 40001
#define IDM_MAP_LOAD 40056
#define IDM_MAP_SAVE_AS 40057
#define IDM_MAP_DEFAULT 40058
#define IDM_MAP_CLEAR_ALL 40059

// Icons: the small class and tray icon, and the large class icon.
#define IDI_SMALL 113
#define IDI_LARGE 121

// The main window's children and the command of the parameters dialog,
// which no control of the main window carries.
#define IDC_MAIN_GENERAL 201
#define IDC_MAIN_PARAMETERS 202
#define IDC_MAIN_ABOUT 203
#define IDC_MAIN_STATUS 204

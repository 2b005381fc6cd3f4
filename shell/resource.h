// Every resource identifier of Pivora.exe, in blocks per dialog and menu.
// The templates and menus themselves are named resources ("PIVORADIALOG",
// "PROGMENU", ...), so their names are never defined here.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Icons ---------------------------------------------------------------------
#define IDI_ABOUT 101   // the about box
#define IDI_PIVORA 102  // window class, title bars of the dialogs

// Version -------------------------------------------------------------------
#define PIVORA_FILE_VERSION 0, 30, 2019, 1123
#define PIVORA_VERSION_TEXT "2019R0.30"

// Main window "PIVORADIALOG" ------------------------------------------------
#define IDC_LOG_LIST 1000        // message log list box
#define IDC_INPUT_BUTTON 1010    // choose the input NC file
#define IDC_INPUT_FILE 1011      // input NC file path
#define IDC_OUTPUT_BUTTON 1012   // choose the output NC file
#define IDC_OUTPUT_FILE 1013     // output NC file path
#define IDC_ANGLE_BUTTON 1014    // copy count from the angle
#define IDC_ANGLE 1015           // rotation angle
#define IDC_CENTRE_X 1016        // rotation centre X
#define IDC_CENTRE_Y 1017        // rotation centre Y
#define IDC_COUNT 1018           // rotation copy count
#define IDC_COUNT_BUTTON 1019    // angle from the copy count
#define IDC_KEEP_SOURCE 1020     // keep the unrotated program
#define IDC_WHOLE 1021           // compose over the whole program
#define IDC_PER_MACHINING 1022   // compose per machining
#define IDC_STATUS_BAR 29990     // status bar: clock, time message, empty
#define IDT_CLOCK 29991          // one-second timer

// Menu bar "PROGMENU" -------------------------------------------------------
#define IDM_OPEN_FILE 40001      // open any file with its associated program
#define IDM_OPEN_FOLDER 40002    // explore the program's folder
#define IDM_SAVE_LOG 40003       // save the log beside the program
#define IDM_EXIT 40004           // close the window
#define IDM_EXECUTE 40005        // run the conversion
#define IDM_CLEAR 40006          // clear the job fields
#define IDM_LOAD_HISTORY 40007   // load the last job
#define IDM_SETTINGS 40008       // the settings dialog
#define IDM_PREVIEW 40009        // the tool-path picture of the last job (greyed until a job succeeds)
#define IDM_HELP 40010           // the help file
#define IDM_VERSION 40011        // the about box
#define IDM_SUPPORT 40012        // the support dialog

// Pop-up menu "CMDPOPUPMENU" (besides the menu bar's items) -----------------
#define IDM_POPUP_EXECUTE 1      // "実行"
#define IDM_POPUP_CLEAR 1005     // "初期化"

// Settings dialog "QUILLOINIDIALOG" -----------------------------------------
#define IDC_DECIMAL 1030         // decimal-point mode combo box
#define IDC_COMMENT 1031         // comment mode combo box
#define IDC_VIEWER_BUTTON 1032   // choose the viewer program
#define IDC_VIEWER 1033          // viewer program path
#define IDC_NC_EXTENSION 1035    // NC file extension
#define IDC_OUTPUT_SUFFIX 1036   // output name suffix
#define IDC_INIT_ANGLE 1037      // initial rotation angle
#define IDC_INIT_CENTRE_X 1038   // initial rotation centre X
#define IDC_INIT_CENTRE_Y 1039   // initial rotation centre Y
#define IDC_WINDOW_COLOR_BUTTON 1050  // pick the window colour
#define IDC_TEXT_COLOR_BUTTON 1051    // pick the text colour
#define IDC_WINDOW_COLOR 1052    // window colour r,g,b
#define IDC_TEXT_COLOR 1053      // text colour r,g,b

// Menu bar "SETTINGMENU" ----------------------------------------------------
#define IDM_SETTINGS_SAVE 40020    // save and close
#define IDM_SETTINGS_CLEAR 40021   // empty the fields
#define IDM_SETTINGS_RELOAD 40022  // reload from the settings file
#define IDM_SETTINGS_CANCEL 40023  // close without saving

// Support dialog "SUPPORTINFODIALOG" ----------------------------------------
#define IDC_SUPPORT_CLOSE 1      // "閉じる", the default button

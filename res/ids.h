// Resource, control and step ids shared by the resource script and the code.
#ifndef QUILLMERE_IDS_H
#define QUILLMERE_IDS_H

// Strings
#define IDS_LICENCE 189
#define IDS_CLASS_NAME 301

// Icons
#define IDI_SETUP 200
#define IDI_FOLDER 201
#define IDI_PARENT 202
#define IDI_NEW_FOLDER 203

// Main window commands
#define ID_MAIN_CLOSE 300

// Steps: timer ids on the main window
#define ID_STEP_AGREEMENT 500
#define ID_STEP_DIR 501
#define ID_STEP_COPY 502
#define ID_STEP_EXTRACT 503
#define ID_STEP_DONE 504
#define ID_STEP_ERROR 505
#define ID_STEP_CANCELLED 506
#define ID_STEP_VERSION 507

// Page controls
#define IDC_BROWSE 100
#define IDC_PATH 101
#define IDC_LICENCE_TEXT 199

// Folder browser controls
#define IDC_FULL_PATH 102
#define IDC_FREE_SPACE 103
#define IDC_DRIVES 104
#define IDC_DIR_NAME 105
#define IDC_FOLDERS 107

// Shortcut-folder browser controls
#define IDC_SHORTCUT_PATH 211
#define IDC_SHORTCUT_FOLDERS 212

// Copy page controls
#define IDC_COPY_STATUS 101
#define IDC_COPY_PROGRESS 214

#endif

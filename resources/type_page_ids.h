// Ids of the type page's dialog (resource 1387) and its controls, shared by the dialog scripts and
// the dialog's code.
#pragma once

#define IDD_TYPE_PAGE 1387

#define IDC_TYPE_FOLDER0 1230
#define IDC_TYPE_BROWSE0 1231
#define IDC_TYPE_FOLDER1 1232
#define IDC_TYPE_BROWSE1 1233
#define IDC_TYPE_FOLDER2 1234
#define IDC_TYPE_BROWSE2 1235
#define IDC_TYPE_LIST 1236
#define IDC_TYPE_STATUS 1240
#define IDC_TYPE_LABEL1 1244
#define IDC_TYPE_LABEL2 1245
#define IDC_TYPE_SCAN 1246

// The list's context-menu command (its text is string 1061).
#define IDM_TYPE_ALTERNATIVE_DRAWING 1061

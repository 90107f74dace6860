// Resource and control ids of the instance page's dialog, shared by its resource scripts and code.
#pragma once

#define QM_IDD_SYNTH_PAGE 1
#define QM_IDC_PROGRAM_LIST 1237
#define QM_IDC_EDITOR_SITE 1238
#define QM_IDC_TOP_LINE 1239
#define QM_IDC_PROGRAM_LABEL 1242
#define QM_IDC_PAGE_TOOLBAR 1282

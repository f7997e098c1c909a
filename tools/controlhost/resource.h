#pragma once
#define IDD_HOST 100
#define IDC_GRAPH 1000
#define IDC_PERCENT 1001
#define IDC_BANNER 1002
#define IDC_CLICKED 1003
#define IDC_STEP 1004

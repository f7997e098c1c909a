// Resource ids of gifreel.ocx.
#pragma once
#define IDS_GIFREEL 1
#define IDS_GIFREEL_PPG 2
#define IDB_GIFREEL 1
#define IDI_ABOUTDLL 1
#define IDD_ABOUTBOX_GIFREEL 1
#define IDD_PROPPAGE_GIFREEL 100
#define IDC_HANDCURSOR 137

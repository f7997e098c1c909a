// Resource ids of graph.ocx.
#pragma once
#define IDS_GRAPH 1
#define IDS_GRAPH_PPG 2
#define IDB_GRAPH 1
#define IDD_PROPPAGE_GRAPH 100
#define IDC_PLACEHOLDER_TEXT 101

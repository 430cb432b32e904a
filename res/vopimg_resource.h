// Resource ids of vopimg.dll: the histogram dialog, its controls and strings.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#define IDD_HISTOGRAM 8001

#define IDS_HISTOGRAM_NO_TITLE 8002
#define IDS_HISTOGRAM 8003
#define IDS_HISTOGRAM_RED 8004 // the six channel names, in channel order
#define IDS_HISTOGRAM_GREEN 8005
#define IDS_HISTOGRAM_BLUE 8006
#define IDS_HISTOGRAM_LUMINANCE 8007
#define IDS_HISTOGRAM_HUE 8008
#define IDS_HISTOGRAM_SATURATION 8009
#define IDS_HISTOGRAM_BITS_PER_PIXEL 8010

#define IDC_HISTOGRAM_RED 8011 // the six channel buttons, in channel order
#define IDC_HISTOGRAM_GREEN 8012
#define IDC_HISTOGRAM_BLUE 8013
#define IDC_HISTOGRAM_LUMINANCE 8014
#define IDC_HISTOGRAM_HUE 8015
#define IDC_HISTOGRAM_SATURATION 8016
#define IDC_HISTOGRAM_DEPTH 8017

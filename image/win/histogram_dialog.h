// CHistogramDlg: the library's modal dialog showing one of six histogram channels.
#pragma once

#include <windows.h>

#include <cstdint>

#include "framework/dialog.h"

class CHistogramDlg : public CDialog {
public:
  static constexpr int kChannels = 6;
  static constexpr int kTitleBytes = 128;

  // histograms are already scaled to 0..255 (channel order red, green, blue, luminance, hue,
  // saturation); title may be null; the dialog's resources come from `resources`.
  CHistogramDlg(const int32_t (&histograms)[kChannels][256], int32_t bitsPerPixel,
                const char *title, HINSTANCE resources);

  int32_t m_histograms[kChannels][256];
  int32_t m_channel = 3; // luminance
  int32_t m_bitsPerPixel;
  char m_title[kTitleBytes];

protected:
  BOOL OnInitDialog() override;
  BOOL OnCommand(WORD id, WORD code, HWND control) override;
  BOOL OnPaint() override;
  BOOL OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR &result) override;

private:
  void Draw(HDC dc) const;
};

// Copies at most capacity - 1 bytes of text into buffer, zero-terminated, never splitting a
// double-byte character of the ANSI code page; null text gives "".
void CopyTitle(const char *text, char *buffer, int capacity);

// The histogram dialog and the export's work behind it.
#include "image/win/histogram_dialog.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "image/win/analysis.h"
#include "image/win/engine.h"
#include "image/win/progress_adapter.h"
#include "res/vopimg_resource.h"

namespace {

constexpr int kFirstButton = IDC_HISTOGRAM_RED;

// The frame of the bars and the strip of level colours below it, in client pixels.
constexpr int kFrameLeft = 10;
constexpr int kFrameTop = 4;
constexpr int kFrameRight = 272;
constexpr int kFrameBottom = 266;
constexpr int kLevelX = 12;   // x of level 0
constexpr int kBarBase = 262; // a bar rises from here by its value
constexpr int kStripTop = 268;
constexpr int kStripBottom = 275;

std::wstring wideFromAnsi(const char *text) {
  const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (length <= 1)
    return std::wstring();
  std::wstring out(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, -1, &out[0], length);
  out.resize(static_cast<size_t>(length - 1));
  return out;
}

std::wstring loadWide(HINSTANCE module, UINT id) {
  wchar_t buffer[256] = {};
  const int length = LoadStringW(module, id, buffer, 256);
  return std::wstring(buffer, length > 0 ? static_cast<size_t>(length) : 0);
}

COLORREF stripColour(int channel, int level) {
  switch (channel) {
  case 0:
    return RGB(level, 0, 0);
  case 1:
    return RGB(0, level, 0);
  case 2:
    return RGB(0, 0, level);
  default:
    return RGB(level, level, level);
  }
}

COLORREF barColour(int channel) {
  static const COLORREF kBars[CHistogramDlg::kChannels] = {RGB(255, 0, 0),   RGB(0, 255, 0),
                                                           RGB(0, 0, 255),   RGB(0, 0, 0),
                                                           RGB(235, 200, 0), RGB(180, 180, 180)};
  return kBars[channel];
}

void centreOnWorkArea(HWND window) {
  RECT work{}, frame{};
  if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0) || !GetWindowRect(window, &frame))
    return;
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  const int x = work.left + (work.right - work.left - width) / 2;
  const int y = work.top + (work.bottom - work.top - height) / 2;
  SetWindowPos(window, nullptr, std::max(x, static_cast<int>(work.left)),
               std::max(y, static_cast<int>(work.top)), 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

void CopyTitle(const char *text, char *buffer, int capacity) {
  if (buffer == nullptr || capacity <= 0)
    return;
  int used = 0;
  if (text != nullptr) {
    while (text[used] != '\0') {
      const int size =
          IsDBCSLeadByte(static_cast<BYTE>(text[used])) && text[used + 1] != '\0' ? 2 : 1;
      if (used + size > capacity - 1)
        break;
      used += size;
    }
    std::memcpy(buffer, text, static_cast<size_t>(used));
  }
  buffer[used] = '\0';
}

CHistogramDlg::CHistogramDlg(const int32_t (&histograms)[kChannels][256], int32_t bitsPerPixel,
                             const char *title, HINSTANCE resources)
    : CDialog(IDD_HISTOGRAM, resources), m_bitsPerPixel(bitsPerPixel) {
  std::memcpy(m_histograms, histograms, sizeof m_histograms);
  if (title != nullptr) {
    CopyTitle(title, m_title, kTitleBytes);
  } else {
    // No title: the library's string for an untitled histogram (empty).
    char text[kTitleBytes] = {};
    LoadStringA(m_resources, IDS_HISTOGRAM_NO_TITLE, text, kTitleBytes);
    CopyTitle(text, m_title, kTitleBytes);
  }
}

BOOL CHistogramDlg::OnInitDialog() {
  SetWindowTextW(m_hWnd, wideFromAnsi(m_title).c_str());
  for (int k = 0; k < kChannels; ++k)
    SetDlgItemTextW(m_hWnd, kFirstButton + k, loadWide(m_resources, IDS_HISTOGRAM_RED + k).c_str());
  CheckRadioButton(m_hWnd, IDC_HISTOGRAM_RED, IDC_HISTOGRAM_SATURATION, kFirstButton + m_channel);
  const std::wstring depth =
      std::to_wstring(m_bitsPerPixel) + loadWide(m_resources, IDS_HISTOGRAM_BITS_PER_PIXEL);
  SetDlgItemTextW(m_hWnd, IDC_HISTOGRAM_DEPTH, depth.c_str());
  centreOnWorkArea(m_hWnd);
  return TRUE;
}

BOOL CHistogramDlg::OnCommand(WORD id, WORD code, HWND control) {
  if (id >= IDC_HISTOGRAM_RED && id <= IDC_HISTOGRAM_SATURATION) {
    if (code == BN_CLICKED) {
      m_channel = id - kFirstButton;
      InvalidateRect(m_hWnd, nullptr, FALSE);
      UpdateWindow(m_hWnd);
    }
    return TRUE;
  }
  return CDialog::OnCommand(id, code, control);
}

BOOL CHistogramDlg::OnPaint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(m_hWnd, &paint);
  if (dc != nullptr)
    Draw(dc);
  EndPaint(m_hWnd, &paint);
  return TRUE;
}

// WM_PRINTCLIENT draws the same picture into the given DC (PrintWindow and tests use it).
BOOL CHistogramDlg::OnMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR &result) {
  if (message != WM_PRINTCLIENT)
    return FALSE;
  Draw(reinterpret_cast<HDC>(wParam));
  result = TRUE;
  return TRUE;
}

void CHistogramDlg::Draw(HDC dc) const {
  HPEN black = CreatePen(PS_SOLID, 0, RGB(0, 0, 0));
  HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
  HGDIOBJ oldPen = SelectObject(dc, black);
  HGDIOBJ oldBrush = SelectObject(dc, white);

  MoveToEx(dc, kFrameLeft, kFrameTop, nullptr);
  LineTo(dc, kFrameRight, kFrameTop);
  LineTo(dc, kFrameRight, kFrameBottom);
  LineTo(dc, kFrameLeft, kFrameBottom);
  LineTo(dc, kFrameLeft, kFrameTop);
  Rectangle(dc, kFrameLeft, kFrameTop, kFrameRight, kFrameBottom);

  for (int level = 0; level < 256; ++level) {
    HPEN pen = CreatePen(PS_SOLID, 0, stripColour(m_channel, level));
    SelectObject(dc, pen);
    MoveToEx(dc, kLevelX + level, kStripTop, nullptr);
    LineTo(dc, kLevelX + level, kStripBottom);
    SelectObject(dc, black);
    DeleteObject(pen);
  }

  // Luminance bars use the black pen itself.
  HPEN bars = m_channel == 3 ? black : CreatePen(PS_SOLID, 0, barColour(m_channel));
  SelectObject(dc, bars);
  for (int level = 0; level < 256; ++level) {
    const int value = std::clamp(m_histograms[m_channel][level], 0, 255);
    MoveToEx(dc, kLevelX + level, kBarBase, nullptr);
    LineTo(dc, kLevelX + level, kBarBase - value);
  }

  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  if (bars != black)
    DeleteObject(bars);
  DeleteObject(black);
  DeleteObject(white);
}

namespace vopwin {

void showHistogramDialog(HWND window, const char *title, void *image,
                         const ExportProgressHook *progress) {
  if (image == nullptr)
    return;
  // A failed count leaves the record zero: the dialog then shows empty channels and depth 0.
  VOP_HISTOGRAM_RESULT result{};
  histogramOf(window, image, &result, progress);
  int32_t scaled[CHistogramDlg::kChannels][256] = {};
  for (int k = 0; k < CHistogramDlg::kChannels; ++k) {
    const int64_t peak = result.peakCount[k];
    if (peak == 0)
      continue;
    // In 64 bits: a count of a huge image times 255 does not fit 32.
    for (int level = 0; level < 256; ++level)
      scaled[k][level] = static_cast<int32_t>(result.counts[k][level] * int64_t{255} / peak);
  }
  CHistogramDlg dialog(scaled, result.bitsPerPixel, title, moduleInstance());
  dialog.DoModal(nullptr);
}

} // namespace vopwin

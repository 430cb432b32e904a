// The EXIF page: the reader's entries of the target under one heading per group.
#include "app/win/exif_page.h"

#include <memory>
#include <new>

#include "app/win/bitmaps.h"
#include "app/win/resource.h"
#include "util/core/dbcs_text.h"
#include "util/win/lead_byte.h"

namespace {

constexpr int kHeadingImages[] = {0, 1, 2, 3, 4};
constexpr int kTagImage = 5;

struct Heading {
  const wchar_t *text;
  int image;
};

Heading headingOf(int32_t group) {
  switch (group) {
  case 0:
    return {L"Tiff", kHeadingImages[0]};
  case 34665:
    return {L"Exif", kHeadingImages[1]};
  case 34853:
    return {L"GPS", kHeadingImages[2]};
  case 40965:
    return {L"Interoperability", kHeadingImages[3]};
  default:
    return {L"Thumbnail", kHeadingImages[4]};
  }
}

// At most 1023 bytes of the reader's text, which is in the ANSI code page; a double-byte
// character that would not fit whole is left out rather than split.
std::wstring cut(const char *text) {
  return WidenAnsi(std::string(text, kel::wholeCharacterPrefix(text, 1023, kel::isAnsiLeadByte)));
}

void insertRow(HWND list, int row, const std::wstring &text, int image) {
  LVITEMW item{};
  item.mask = LVIF_TEXT | LVIF_IMAGE;
  item.iItem = row;
  item.pszText = const_cast<wchar_t *>(text.c_str());
  item.iImage = image;
  SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

} // namespace

CTabPage1::CTabPage1(CTolmSession &session)
    : CTolmDialog(IDD_PAGE_EXIF, session, kPlaceMainDialogs) {}

BOOL CTabPage1::OnInitDialog() {
  HWND list = GetDlgItem(IDC_EXIF_LIST);
  const COLORREF background = static_cast<COLORREF>(SendMessageW(list, LVM_GETBKCOLOR, 0, 0));
  m_images.reset(LoadImageStrip(m_resources, IDB_EXIF_GROUPS, 16, 6, background));
  SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
  for (int column = 0; column < 2; ++column) {
    LVCOLUMNW c{};
    c.mask = LVCF_FMT | LVCF_WIDTH;
    c.fmt = LVCFMT_LEFT;
    c.cx = column == 0 ? 200 : 190;
    SendMessageW(list, LVM_INSERTCOLUMNW, column, reinterpret_cast<LPARAM>(&c));
  }
  SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(m_images.get()));
  FillList(list);
  return TRUE;
}

void CTabPage1::FillList(HWND list) {
  if (m_session.m_daxread.daxBeginProcessing == nullptr)
    return;
  DAX_ITERATION setup{1024, 65536};
  const int n = m_session.m_daxread.daxBeginProcessing(DAX_OP_BEGIN_ITERATION, &setup);
  if (n <= 0)
    return;
  std::unique_ptr<char[]> label, value;
  try {
    label.reset(new char[1024]());
    value.reset(new char[65536]());
  } catch (const std::bad_alloc &) {
    m_session.m_errors.ShowException(MB_ICONSTOP, kPlaceExifBuffers, CMemoryException());
    return;
  }
  int row = 0;
  int32_t previous = -1;
  bool anyGroup = false;
  for (int k = 0; k < n; ++k) {
    DAX_ENTRY entry{0, 0, 0, label.get(), value.get()};
    label[0] = value[0] = '\0';
    if (m_session.m_daxread.daxBeginProcessing(DAX_OP_NEXT_ENTRY, &entry) < 0)
      break;
    label[1023] = value[65535] = '\0';
    if (!anyGroup || entry.group != previous) {
      const Heading h = headingOf(entry.group);
      insertRow(list, row++, h.text, h.image);
      previous = entry.group;
      anyGroup = true;
    }
    insertRow(list, row, cut(label.get()), kTagImage);
    const std::wstring text = cut(value.get());
    LVITEMW sub{};
    sub.iSubItem = 1;
    sub.pszText = const_cast<wchar_t *>(text.c_str());
    SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&sub));
    ++row;
  }
  LVITEMW state{};
  state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  state.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(list, LVM_SETITEMSTATE, row >= 4 ? 4 : 1, reinterpret_cast<LPARAM>(&state));
}

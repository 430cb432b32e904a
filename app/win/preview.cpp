// The General page's preview of an image file.
#include "app/win/preview.h"

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "app/core/preview_layout.h"

namespace {

// The EXIF thumbnail through a "TLM" temporary file, which is gone afterwards; null when the
// file has no thumbnail or it cannot be fetched.
VOP_IMAGE loadThumbnail(CTolmSession &session, bool &hasThumbnail) {
  hasThumbnail = false;
  if (session.m_daxread.daxBeginProcessing == nullptr)
    return nullptr;
  DAX_THUMBNAIL record{0, 0, nullptr};
  if (session.m_daxread.daxBeginProcessing(DAX_OP_THUMBNAIL, &record) != 0 || record.size <= 0)
    return nullptr;
  hasThumbnail = true;
  std::unique_ptr<char[]> bytes;
  try {
    bytes.reset(new char[static_cast<size_t>(record.size)]);
  } catch (const std::bad_alloc &) {
    session.m_errors.ShowException(MB_ICONSTOP, kPlacePreview, CMemoryException());
    return nullptr;
  }
  record.buffer = bytes.get();
  if (session.m_daxread.daxBeginProcessing(DAX_OP_THUMBNAIL, &record) != 0)
    return nullptr;
  char name[MAX_PATH] = "TLM";
  if (session.m_kelsys.kelGetTempFileName(name) != 0)
    return nullptr;
  HANDLE file =
      CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  bool written = false;
  if (file != INVALID_HANDLE_VALUE) {
    DWORD done = 0;
    written = WriteFile(file, bytes.get(), static_cast<DWORD>(record.size), &done, nullptr) &&
              done == static_cast<DWORD>(record.size);
    CloseHandle(file);
  }
  bytes.reset();
  VOP_IMAGE image = written ? session.m_vopimg.vopLoadImage(0, name) : nullptr;
  DeleteFileA(name);
  return image;
}

} // namespace

void CPreview::Load(HWND page) {
  CVopimgLibrary &vopimg = m_session.m_vopimg;
  if (m_session.m_launchKind != tolm::kImageFile || vopimg.vopLoadImage == nullptr)
    return;
  bool hasThumbnail = false;
  VOP_IMAGE source = loadThumbnail(m_session, hasThumbnail);
  if (!hasThumbnail) {
    const std::string &target = m_session.m_targetPath;
    std::vector<char> path(target.begin(), target.end());
    path.resize(std::max<size_t>(path.size() + 1, MAX_PATH), '\0');
    source = vopimg.vopLoadImage(0, path.data());
  }
  if (source == nullptr)
    return;
  int32_t width = 0, height = 0, depth = 0;
  vopimg.vopGetImageData(source, &width, &height, &depth);
  RECT client{};
  GetClientRect(page, &client);
  const tolm::PreviewPlacement place =
      tolm::placePreview(width, height, tolm::previewArea(client.right, client.bottom));
  VOP_IMAGE preview = place.width > 0 && place.height > 0
                          ? vopimg.vopCreateImage(place.width, place.height, depth, 0)
                          : nullptr;
  if (preview != nullptr) {
    VOP_COPY_PARAMS params{};
    params.srcRight = width;
    params.srcBottom = height;
    params.bitsPerPixel = depth;
    params.scaleX = params.scaleY = place.scale;
    params.dstRight = place.width;
    params.dstBottom = place.height;
    vopimg.vopCopy(page, VOP_COPY_NEAREST, &params, source, preview, nullptr);
  }
  vopimg.vopDestroyImage(source);
  Release();
  m_x = place.x;
  m_y = place.y;
  m_width = place.width;
  m_height = place.height;
  m_image = preview;
}

void CPreview::Paint(HDC dc) const {
  if (m_image != nullptr && m_session.m_vopimg.vopDrawImage != nullptr)
    m_session.m_vopimg.vopDrawImage(dc, m_x, m_y, m_width, m_height, 0, 0, SRCCOPY, m_image);
}

void CPreview::Release() {
  if (m_image != nullptr && m_session.m_vopimg.vopDestroyImage != nullptr)
    m_session.m_vopimg.vopDestroyImage(m_image);
  m_x = m_y = m_width = m_height = 0;
  m_image = nullptr;
}

// The General page's preview of an image file: from the EXIF thumbnail when there is one, else
// from the file, shrunk to the page's preview area and centred.
#pragma once
#include <windows.h>

#include <cstdint>

#include "app/win/session.h"

class CPreview {
public:
  explicit CPreview(CTolmSession &session) : m_session(session) {}
  ~CPreview() { Release(); }
  CPreview(const CPreview &) = delete;
  CPreview &operator=(const CPreview &) = delete;

  // Makes the picture for `page`, replacing the one before; only for image targets.
  void Load(HWND page);
  bool Loaded() const { return m_image != nullptr; }
  void Paint(HDC dc) const;
  void Release();

private:
  CTolmSession &m_session;
  int32_t m_x = 0, m_y = 0, m_width = 0, m_height = 0;
  VOP_IMAGE m_image = nullptr;
};

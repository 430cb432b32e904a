// The EXIF, Version and Extended delete pages, the erase run and the General page's preview.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>

#include "app/win/tolm_dialog.h"

class CTolmApp;

class CTabPage1 : public CTolmDialog { // EXIF
public:
  explicit CTabPage1(CTolmApp &app);
  ~CTabPage1() override;

protected:
  BOOL OnInitDialog() override;

private:
  // Lists the reader's entries under one heading per group.
  void FillList(HWND list);
  // Owned here: the list view shares it (LVS_SHAREIMAGELISTS) and leaves it alone.
  HIMAGELIST m_images = nullptr;
};

class CTabPage2 : public CTolmDialog { // Version
public:
  explicit CTabPage2(CTolmApp &app);
  ~CTabPage2() override;

protected:
  BOOL OnInitDialog() override;

private:
  HBITMAP m_logo = nullptr;
};

class CTabPage3 : public CTolmDialog { // Extended delete
public:
  explicit CTabPage3(CTolmApp &app);
  // The erase list's path as the user typed or chose it.
  std::string ListPath() const;

protected:
  BOOL OnInitDialog() override;
  BOOL OnCommand(WORD id, WORD code, HWND control) override;

private:
  void Browse();
};

// Deletes the files of the target folder that the erase list names, into the recycle bin
// through the shell (which asks first). 0, or the code of the failure (nothing deleted then):
// -5008 the list cannot be read, -5009 it is no valid list, -5010 a search result cannot be
// read, -5011 the paths fill the deletion list. deletionList holds `capacity` bytes.
int32_t RunErase(CTolmApp &app, HWND owner, const std::string &listPath, char *deletionList,
                 size_t capacity);

// The General page's preview of an image file: from the EXIF thumbnail when there is one, else
// from the file, shrunk to the page's preview area and centred. Only for image targets.
void LoadPreview(CTolmApp &app, HWND page);
void PaintPreview(CTolmApp &app, HDC dc);
void ReleasePreview(CTolmApp &app);

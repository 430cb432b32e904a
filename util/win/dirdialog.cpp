// kelsys.dll: the shell's folder-selection dialog, placed and sized as the caller asks.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "include/kelsys.h"
#include "util/core/dirdialog_layout.h"
#include "util/win/context.h"

#include <cstring>

namespace {

constexpr UINT kBrowseFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN | BIF_BROWSEFORCOMPUTER;

void applyPlacement(HWND dialog, const KEL_DIRLIST_OPTIONS &options) {
  RECT window{};
  GetWindowRect(dialog, &window);
  POINT clientOrigin{0, 0};
  ClientToScreen(dialog, &clientOrigin);
  const kel::DirDialogRequest request{options.mode,  options.x,      options.y,
                                      options.width, options.height, options.layout};
  const kel::DirDialogPlacement plan =
      kel::planDirDialog(request, {window.left, window.top, window.right, window.bottom},
                         static_cast<int32_t>(window.top - clientOrigin.y));

  if (plan.removeCaption)
    SetWindowLongA(dialog, GWL_STYLE, GetWindowLongA(dialog, GWL_STYLE) & ~WS_CAPTION);
  if (plan.moveWindow) {
    UINT how = SWP_NOZORDER | SWP_NOACTIVATE;
    if (!plan.resizeWindow)
      how |= SWP_NOSIZE;
    // The frame must be measured again once the caption is gone, even at an unchanged size.
    if (plan.removeCaption)
      how |= SWP_FRAMECHANGED;
    SetWindowPos(dialog, nullptr, plan.x, plan.y, plan.width, plan.height, how);
  }
  if (plan.arrangeChildren) {
    const HWND tree = FindWindowExA(dialog, nullptr, "SysTreeView32", nullptr);
    if (tree != nullptr) {
      SetWindowPos(tree, nullptr, 0, 0, plan.treeWidth, plan.treeHeight,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      const HWND first = FindWindowExA(dialog, nullptr, "Button", nullptr);
      const HWND second = first ? FindWindowExA(dialog, first, "Button", nullptr) : nullptr;
      const UINT keepSize = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;
      if (first != nullptr)
        SetWindowPos(first, nullptr, plan.firstButtonX, plan.buttonY, 0, 0, keepSize);
      if (second != nullptr)
        SetWindowPos(second, nullptr, plan.secondButtonX, plan.buttonY, 0, 0, keepSize);
    }
  }
  if (plan.moveWindow || plan.arrangeChildren)
    RedrawWindow(dialog, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  if (plan.selectInitial && options.initialFolder != nullptr)
    SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(options.initialFolder));
}

// Runs on the dialog's own thread while SHBrowseForFolderA waits; data is the options record,
// or 0 when the caller asked for the plain system dialog.
int CALLBACK browseCallback(HWND dialog, UINT message, LPARAM, LPARAM data) {
  if (message == BFFM_INITIALIZED && data != 0)
    applyPlacement(dialog, *reinterpret_cast<const KEL_DIRLIST_OPTIONS *>(data));
  return 0;
}

// COM for the shell's dialog, released again only when this call started it.
class ComScope {
public:
  ComScope() : m_started(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComScope() {
    if (m_started)
      CoUninitialize();
  }
  ComScope(const ComScope &) = delete;
  ComScope &operator=(const ComScope &) = delete;

private:
  bool m_started;
};

int showDirDialog(const KEL_DIRLIST_OPTIONS &options, char *buffer) {
  kel::systemContext().owner = options.owner;
  ComScope com;
  char displayName[MAX_PATH] = {};
  BROWSEINFOA info{};
  info.hwndOwner = options.owner;
  info.pidlRoot = nullptr;
  info.pszDisplayName = displayName;
  info.lpszTitle = options.title;
  info.ulFlags = kBrowseFlags | (options.mode == KEL_DIRLIST_NEW_STYLE ? BIF_NEWDIALOGSTYLE : 0);
  info.lpfn = browseCallback;
  info.lParam = options.layout == KEL_DIRLIST_NO_ADJUST ? 0 : reinterpret_cast<LPARAM>(&options);

  LPITEMIDLIST chosen = SHBrowseForFolderA(&info);
  if (chosen == nullptr)
    return 0;
  int result = 0;
  char path[MAX_PATH] = {};
  if (SHGetPathFromIDListA(chosen, path)) {
    path[MAX_PATH - 1] = '\0';
    std::memcpy(buffer, path, std::strlen(path) + 1);
    result = 1;
  }
  IMalloc *allocator = nullptr;
  if (SUCCEEDED(SHGetMalloc(&allocator)) && allocator != nullptr) {
    allocator->Free(chosen);
    allocator->Release();
  }
  return result;
}

} // namespace

extern "C" int KEL_API kelShowDirListBox1(HWND owner, const char *title, char *buffer) {
  if (buffer == nullptr)
    return 0;
  KEL_DIRLIST_OPTIONS options{};
  options.owner = owner;
  options.mode = 0;
  options.x = options.y = options.width = options.height = -1;
  options.title = title;
  options.initialFolder = nullptr;
  options.layout = 0;
  return showDirDialog(options, buffer);
}

extern "C" int KEL_API kelShowDirListBox2(const KEL_DIRLIST_OPTIONS *options, char *buffer) {
  if (options == nullptr || buffer == nullptr)
    return 0;
  const KEL_DIRLIST_OPTIONS copy = *options;
  return showDirDialog(copy, buffer);
}

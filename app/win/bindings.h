// Binding objects of TOLM.exe: each loads one library by file name and resolves its exports
// by name, in the order of its list, into typed function pointers.
#pragma once
#include <windows.h>

#include "framework/afx.h"
#include "include/daxread.h"
#include "include/kelsys.h"
#include "include/vopimg.h"

// The export lists in the order the program resolves them.
#define TOLM_KELSYS_EXPORTS(X)                                                                     \
  X(kelCheckActiveDrive)                                                                           \
  X(kelGetDiskSize)                                                                                \
  X(kelGetDriveType)                                                                               \
  X(kelGetLogicalDrives)                                                                           \
  X(kelGetVolumeInformation)                                                                       \
  X(kelOperateFileTime)                                                                            \
  X(kelGetFileAttributes)                                                                          \
  X(kelGetFileVersion)                                                                             \
  X(kelGetLongFileName)                                                                            \
  X(kelGetShortFileName)                                                                           \
  X(kelGetTempFileName)                                                                            \
  X(kelGetWindowsPath)                                                                             \
  X(kelSetFileAttributes)                                                                          \
  X(kelShowDirListBox1)                                                                            \
  X(kelShowDirListBox2)                                                                            \
  X(kelSearchDirectory)                                                                            \
  X(kelGetSpecialFolderPath)                                                                       \
  X(kelGetFileSize)                                                                                \
  X(kelOperateRegData)                                                                             \
  X(kelGetComputerName)                                                                            \
  X(kelGetLoginName)                                                                               \
  X(kelGetWinVersion)                                                                              \
  X(kelGetMemoryStatus)                                                                            \
  X(kelCompress)                                                                                   \
  X(kelExpand)                                                                                     \
  X(kelDecodeH)                                                                                    \
  X(kelEncodeH)                                                                                    \
  X(kelEncodeW)                                                                                    \
  X(kelDecodeW)                                                                                    \
  X(kelCompress2)                                                                                  \
  X(kelExpand2)                                                                                    \
  X(kelDeleteCpPack)                                                                               \
  X(kelEncodeH2)                                                                                   \
  X(kelDecodeH2)                                                                                   \
  X(kelDeleteCpPackH)                                                                              \
  X(kelAddInt64)                                                                                   \
  X(kelCompareInt64)                                                                               \
  X(kelDivideInt64)                                                                                \
  X(kelMultiplyInt64)                                                                              \
  X(kelSetInt64)                                                                                   \
  X(kelSubtractInt64)                                                                              \
  X(kelGetCRC32ofFile)                                                                             \
  X(kelGetCRC32)                                                                                   \
  X(kelGetCRC16ofFile)                                                                             \
  X(kelGetCRC16)                                                                                   \
  X(kelCInt16ToString)                                                                             \
  X(kelCInt32ToString)                                                                             \
  X(kelCInt64ToString)                                                                             \
  X(kelCStringToByte)                                                                              \
  X(kelCByteToString)                                                                              \
  X(kelCInt16ToByte)                                                                               \
  X(kelCByteToInt16)                                                                               \
  X(kelCInt32ToByte)                                                                               \
  X(kelCByteToInt32)                                                                               \
  X(kelCInt64ToByte)                                                                               \
  X(kelCByteToInt64)                                                                               \
  X(kelStringLower)                                                                                \
  X(kelStringUpper)                                                                                \
  X(kelShiftByteL)                                                                                 \
  X(kelShiftByteR)                                                                                 \
  X(kelShiftInt16L)                                                                                \
  X(kelShiftInt16R)                                                                                \
  X(kelShiftInt32L)                                                                                \
  X(kelShiftInt32R)                                                                                \
  X(kelShiftInt64L)                                                                                \
  X(kelShiftInt64R)                                                                                \
  X(kelSetSeed)                                                                                    \
  X(kelRand0i)                                                                                     \
  X(kelRand0d)                                                                                     \
  X(kelBitArray)                                                                                   \
  X(kelCopyMemory)                                                                                 \
  X(kelFillMemory)                                                                                 \
  X(kelQueue)                                                                                      \
  X(kelStack)                                                                                      \
  X(kelGlobalCopy)                                                                                 \
  X(kelCaptureButton)                                                                              \
  X(kelGetTime)                                                                                    \
  X(kelGetClient)                                                                                  \
  X(kelGetWorkArea)

#define TOLM_DAXREAD_EXPORTS(X)                                                                    \
  X(daxInitialize)                                                                                 \
  X(daxBeginProcessing)                                                                            \
  X(daxGetFileVersion)

#define TOLM_VOPIMG_EXPORTS(X)                                                                     \
  X(vopInitialize)                                                                                 \
  X(vopAdjustContrast)                                                                             \
  X(vopAdjustGamma)                                                                                \
  X(vopAdjustGamma2)                                                                               \
  X(vopAdjustQuality)                                                                              \
  X(vopDecolor)                                                                                    \
  X(vopCopy)                                                                                       \
  X(vopRotate)                                                                                     \
  X(vopThroughFilter)                                                                              \
  X(vopAdjustQuality2)                                                                             \
  X(vopAttachImage)                                                                                \
  X(vopCreateImage)                                                                                \
  X(vopDestroyImage)                                                                               \
  X(vopDrawImage)                                                                                  \
  X(vopLoadImage)                                                                                  \
  X(vopSaveImage)                                                                                  \
  X(vopGetColor)                                                                                   \
  X(vopGetImageData)                                                                               \
  X(vopHistogram)                                                                                  \
  X(vopShowHistogramDlg)                                                                           \
  X(vopCountColor)                                                                                 \
  X(vopReverseAction)                                                                              \
  X(vopSetClipboardImage)                                                                          \
  X(vopGetClipboardImage)                                                                          \
  X(vopGetFileVersion)

// A library loaded for the lifetime of the object. A missing library leaves a null module
// and every pointer null; a missing export leaves its pointer null. Nothing is reported here:
// start-up tests the modules it needs.
class CLibraryBinding : public CObject {
public:
  explicit CLibraryBinding(const char *fileName) : m_module(LoadLibraryA(fileName)) {
    m_loadError = m_module ? ERROR_SUCCESS : GetLastError();
  }
  ~CLibraryBinding() override {
    if (m_module != nullptr)
      FreeLibrary(m_module);
    m_module = nullptr;
  }
  CLibraryBinding(const CLibraryBinding &) = delete;
  CLibraryBinding &operator=(const CLibraryBinding &) = delete;
  HMODULE module() const { return m_module; }
  // Why the library could not be loaded (the platform's error code), for the report.
  DWORD loadError() const { return m_loadError; }

protected:
  template <typename F> void resolve(F &pointer, const char *name) {
    pointer = m_module
                  ? reinterpret_cast<F>(reinterpret_cast<void *>(GetProcAddress(m_module, name)))
                  : nullptr;
  }

private:
  HMODULE m_module;
  DWORD m_loadError = ERROR_SUCCESS;
};

#define TOLM_DECLARE_POINTER(name) decltype(&::name) name = nullptr;
#define TOLM_RESOLVE_POINTER(name) resolve(name, #name);

class CKelsysLibrary : public CLibraryBinding {
public:
  CKelsysLibrary()
      : CLibraryBinding("kelsys.dll"){
            TOLM_KELSYS_EXPORTS(TOLM_RESOLVE_POINTER)} TOLM_KELSYS_EXPORTS(TOLM_DECLARE_POINTER)
};

class CDaxreadLibrary : public CLibraryBinding {
public:
  CDaxreadLibrary()
      : CLibraryBinding("daxread.dll"){
            TOLM_DAXREAD_EXPORTS(TOLM_RESOLVE_POINTER)} TOLM_DAXREAD_EXPORTS(TOLM_DECLARE_POINTER)
};

class CVopimgLibrary : public CLibraryBinding {
public:
  CVopimgLibrary()
      : CLibraryBinding("vopimg.dll"){
            TOLM_VOPIMG_EXPORTS(TOLM_RESOLVE_POINTER)} TOLM_VOPIMG_EXPORTS(TOLM_DECLARE_POINTER)
};

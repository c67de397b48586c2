#include "ui_font.h"

#include <string>

namespace stub {
namespace {

// Preferred faces, best first.
constexpr const wchar_t* kFaces[] = {L"Microsoft YaHei UI", L"Microsoft YaHei", L"SimSun",
                                     L"NSimSun"};

int CALLBACK OnFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool HasFace(const wchar_t* face) {
  LOGFONTW lf = {};
  lf.lfCharSet = DEFAULT_CHARSET;
  wcsncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
  bool found = false;
  HDC dc = GetDC(nullptr);
  EnumFontFamiliesExW(dc, &lf, OnFace, reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(nullptr, dc);
  return found;
}

BOOL CALLBACK SetFontOn(HWND child, LPARAM font) {
  SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(font), TRUE);
  return TRUE;
}

}  // namespace

HFONT UiFont(int percent, bool bold) {
  NONCLIENTMETRICSW ncm = {};
  ncm.cbSize = sizeof ncm;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0);
  LOGFONTW lf = ncm.lfMessageFont;
  for (const wchar_t* face : kFaces) {
    if (HasFace(face)) {
      wcsncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
      lf.lfCharSet = GB2312_CHARSET;
      break;
    }
  }
  if (lf.lfHeight < 0 && lf.lfHeight > -15) lf.lfHeight = -15;
  lf.lfHeight = lf.lfHeight * percent / 100;
  lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  return CreateFontIndirectW(&lf);
}

void ApplyFont(HWND parent, HFONT font) {
  EnumChildWindows(parent, SetFontOn, reinterpret_cast<LPARAM>(font));
}

}  // namespace stub

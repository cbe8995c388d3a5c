#include "client/window/win32/logo.h"

namespace kv::win32 {

// A dark blue plate with two arrows (down for downloads, up for uploads) and
// the product name.
HBITMAP CreateLogo() {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, kLogoWidth, kLogoHeight);
  ReleaseDC(nullptr, screen);
  HGDIOBJ oldBmp = SelectObject(dc, bmp);

  RECT all{0, 0, kLogoWidth, kLogoHeight};
  HBRUSH plate = CreateSolidBrush(RGB(0, 40, 110));
  FillRect(dc, &all, plate);
  DeleteObject(plate);

  HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
  HBRUSH down = CreateSolidBrush(RGB(120, 200, 255));
  HBRUSH up = CreateSolidBrush(RGB(255, 90, 70));
  POINT downArrow[] = {{5, 4}, {9, 4}, {9, 14}, {13, 14}, {7, 22}, {1, 14}, {5, 14}};
  POINT upArrow[] = {{15, 22}, {19, 22}, {19, 12}, {23, 12}, {17, 4}, {11, 12}, {15, 12}};
  HGDIOBJ oldBrush = SelectObject(dc, down);
  Polygon(dc, downArrow, 7);
  SelectObject(dc, up);
  Polygon(dc, upArrow, 7);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(down);
  DeleteObject(up);

  LOGFONTW lf{};
  lf.lfHeight = -13;
  lf.lfWeight = FW_BOLD;
  lstrcpynW(lf.lfFaceName, L"Arial", LF_FACESIZE);
  HFONT font = CreateFontIndirectW(&lf);
  HGDIOBJ oldFont = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(255, 255, 255));
  RECT text{26, 0, kLogoWidth - 2, kLogoHeight};
  DrawTextW(dc, L"KV-TRANSIT", -1, &text, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
  SelectObject(dc, oldFont);
  DeleteObject(font);

  SelectObject(dc, oldBmp);
  DeleteDC(dc);
  return bmp;
}

}  // namespace kv::win32

#include "base/win/com.h"

#include <gdiplus.h>

namespace qorv::win {

GdiplusSession::GdiplusSession() {
  Gdiplus::GdiplusStartupInput input;  // version 1, no debug callback, background thread on
  if (Gdiplus::GdiplusStartup(&m_token, &input, nullptr) != Gdiplus::Ok) m_token = 0;
}

GdiplusSession::~GdiplusSession() {
  if (m_token) Gdiplus::GdiplusShutdown(m_token);
}

}  // namespace qorv::win

// The floors for a program's start under Wine: built plain it does nothing; built with
// TRIVIAL_WINDOW it shows a window, lets the system paint it, and ends.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
#ifndef TRIVIAL_WINDOW
  (void)instance;
  return 0;
#else
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = instance;
  wc.lpszClassName = L"Trivial";
  RegisterClassW(&wc);
  HWND h = CreateWindowExW(WS_EX_TOOLWINDOW, L"Trivial", L"Trivial", WS_POPUP | WS_CAPTION, 0, 0,
                           300, 30, nullptr, nullptr, instance, nullptr);
  ShowWindow(h, SW_SHOWNORMAL);
  UpdateWindow(h);
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  DestroyWindow(h);
  return 0;
#endif
}

# The stand-in's windows, GDI and "DDRAW.DLL", and the displays behind them: native only.
if(NOT WIN32)
  bump_test(video_tests standin/video_test.cpp standin/gdi_test.cpp standin/ddraw_test.cpp)

  # The SDL display on a real X server; skipped without DISPLAY.
  find_package(SDL2 REQUIRED)
  find_package(X11 REQUIRED)
  bump_test(video_sdl_tests standin/video_sdl_test.cpp standin/video_x11_screen.cpp)
  target_link_libraries(video_sdl_tests PRIVATE SDL2::SDL2 X11::X11)
endif()

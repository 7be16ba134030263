# The sprite library.
#
# Over the system's own "DDRAW.DLL" on a real display: both platforms, so the real
# DirectDraw under Wine holds the pixels the conversions write. Skipped without DISPLAY.
bump_test(sprite_system_tests sprite/system_sprite_test.cpp sprite/bitmaps.cpp)
target_link_libraries(sprite_system_tests PRIVATE sprite screen)

# On the stand-in's headless display, every depth and layout: native only.
if(NOT WIN32)
  bump_test(sprite_tests
    sprite/bitmaps.cpp
    sprite/conversion_test.cpp
    sprite/decoder_test.cpp
    sprite/drawing_buffer_test.cpp
    sprite/loader_test.cpp
    sprite/reload_test.cpp)
  target_link_libraries(sprite_tests PRIVATE sprite screen)
endif()

# Against DirectDraw doubles, for the failures a working DirectDraw does not show on
# demand: native only.
if(NOT WIN32)
  bump_test(sprite_doubles_tests
    sprite/bitmaps.cpp
    sprite/sprite_doubles_test.cpp
    screen/directdraw_doubles.cpp)
  target_link_libraries(sprite_doubles_tests PRIVATE sprite screen ${BUMP_GMOCK})
endif()

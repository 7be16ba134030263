# The keyboard and mouse libraries and the DirectInput binding.
#
# Over the system's own "DINPUT.DLL": both platforms, so the real DirectInput under Wine
# checks what the stand-in accepts.
bump_test(input_system_tests input/keyboard_system_test.cpp input/mouse_system_test.cpp)
target_link_libraries(input_system_tests PRIVATE input)

# With doubles in the module registry's place of "DINPUT.DLL", and over the stand-in's
# DirectInput on a headless desktop: native only.
if(NOT WIN32)
  bump_test(input_tests
    input/directinput_test.cpp
    input/keyboard_test.cpp
    input/keyboard_standin_test.cpp
    input/mouse_standin_test.cpp
    input/mouse_test.cpp)
  target_link_libraries(input_tests PRIVATE input ${BUMP_GMOCK})
endif()

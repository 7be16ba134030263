# The packages of each build, one per install component (CPACK_COMPONENTS_ALL):
#   Windows: bump-VERSION-winBITS.zip (the demonstration) and bump-sdk-VERSION-winBITS.zip
#   Linux: bump_VERSION_amd64.deb and libbump-dev_VERSION_amd64.deb
#   web: bump-VERSION-web.zip (the site) and bump-sdk-VERSION-web.zip
# A build of the libraries alone (BUMP_DEMONSTRATION off) packages the kit alone.
set(CPACK_PACKAGE_NAME bump)
set(CPACK_PACKAGE_VENDOR "bump maintainers")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_COMPONENTS_ALL sdk)
if(BUMP_DEMONSTRATION)
  list(PREPEND CPACK_COMPONENTS_ALL demo)
endif()
if(EMSCRIPTEN)
  set(platform web)
else()
  set(platform win${BUMP_WINDOWS_BITS})
endif()

if(WIN32 OR EMSCRIPTEN)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
  set(CPACK_ARCHIVE_DEMO_FILE_NAME bump-${PROJECT_VERSION}-${platform})
  set(CPACK_ARCHIVE_SDK_FILE_NAME bump-sdk-${PROJECT_VERSION}-${platform})
  # The files themselves, no folder around them: Windows' "Extract All" makes one, and a
  # site's files go straight into the folder the web host serves.
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${BUMP_PACKAGE_MAINTAINER}")
  # Both packages come from the one source, whose change log they carry.
  set(CPACK_DEBIAN_PACKAGE_SOURCE bump)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  # Each package's description begins with its own summary line: no summary common to
  # both is put before them.
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "")

  set(CPACK_DEBIAN_DEMO_PACKAGE_NAME bump)
  set(CPACK_DEBIAN_DEMO_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_DEMO_PACKAGE_SECTION graphics)
  string(CONCAT CPACK_DEBIAN_DEMO_DESCRIPTION
      "full-screen real-time bump-mapping demonstration\n"
      "A picture's pixel values taken as a height field, shown embossed and lit by a\n"
      "moving point light, full screen, until a key is pressed. Three commands differ\n"
      "only in their picture: bump-paris, bump-morph and bump-morphose. Each runs from\n"
      "the user's own folder, where the picture can be replaced. Two example programs\n"
      "on the same libraries come with them: sprite-garden, sprites that follow the\n"
      "mouse, and palette-cycle, a picture moved by its palette alone.")
  # The libraries the executables link (SDL2's runtime among them) become the
  # package's dependencies.
  set(CPACK_DEBIAN_DEMO_PACKAGE_SHLIBDEPS ON)

  set(CPACK_DEBIAN_SDK_PACKAGE_NAME libbump-dev)
  set(CPACK_DEBIAN_SDK_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_SDK_PACKAGE_SECTION libdevel)
  # Static libraries: a program links SDL2 and Xlib, which the stand-in displays on.
  set(CPACK_DEBIAN_SDK_PACKAGE_DEPENDS "libsdl2-dev, libx11-dev")
  string(CONCAT CPACK_DEBIAN_SDK_DESCRIPTION
      "runtime libraries of the bump demonstration (development files)\n"
      "Libraries for full-screen programs written against DirectDraw 7 and\n"
      "DirectInput 7 in the Windows manner, over a stand-in for those interfaces on\n"
      "SDL2: process start-up and shutdown, a private heap with arrays and strings,\n"
      "numbered memory blocks, random numbers, numbered files, screens and drawing\n"
      "sessions, palettes, sprites from BMP files, the keyboard and the mouse.\n"
      "This package holds their headers, static libraries, CMake package\n"
      "(find_package(bump)) and pkg-config file (bump.pc).")
endif()
include(CPack)

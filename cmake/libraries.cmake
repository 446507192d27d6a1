# The libraries of the unit, one per subsystem folder, from the bottom up.
# Each links only what is below it; calls into a later subsystem go through
# the upward calls the earlier subsystem declares (source/<subsystem>/
# *_upcalls.h), never through link order. tools/check-layers.py checks the
# libraries' symbols against this order.
#
#   tessix_base      common/types.h, common/cmd_id.h: plain types (headers)
#   tessix_platform  source/platform: the platform interface and this
#                    machine's stand-ins (source/platform/host)
#   tessix_slp       slp: service location (SLPv2 agent and requests), on
#                    sockets and threads; traces through the platform
#   tessix_lsvc      lsvc: kernel services and their tables
#   tessix_common    common: shared types and helpers
#   tessix_data      data: fonts, icons and pictures compiled in
#   tessix_core      source/core: platform core (subsystem 1)
#   tessix_graphics  source/graphics: graphics and view composition (2)
#   tessix_ui        source/ui: menus, keys and readouts (3)
#   tessix_startup   source/startup: start-up, storage and alarms (4)
#   tessix_sonar     source/sonar: sonar acquisition and signal processing (5)
#   tessix_history   source/history: sonar history and views (6)
#   tessix_serial    source/serial: serial NMEA, GPS, AIS and serial services (9)
#   tessix_unitnet   source/unitnet: unit network (16)
find_package(PkgConfig REQUIRED)
find_package(ZLIB REQUIRED)
# The checksums and the SHA-1 hash compute through zlib and libcrypto.
find_package(OpenSSL REQUIRED)
# TrueType text renders through FreeType's cache manager.
pkg_check_modules(FREETYPE REQUIRED IMPORTED_TARGET freetype2)
# Sounds play through ALSA.
pkg_check_modules(ALSA REQUIRED IMPORTED_TARGET alsa)
# The host screen shows the unit's pages in an SDL window.
pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
# The GPU: EGL and OpenGL ES 2.0 (Mesa on this machine).
pkg_check_modules(EGL REQUIRED IMPORTED_TARGET egl)
pkg_check_modules(GLESV2 REQUIRED IMPORTED_TARGET glesv2)

# Every .cpp/.c file of the folders belongs to the library.
function(tessix_library name)
  cmake_parse_arguments(ARG "" "" "DIRS;FILES;LINK" ${ARGN})
  set(files ${ARG_FILES})
  foreach(dir ${ARG_DIRS})
    file(GLOB found CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp ${CMAKE_SOURCE_DIR}/${dir}/*.c)
    list(APPEND files ${found})
  endforeach()
  if(files)
    add_library(${name} STATIC ${files})
    target_link_libraries(${name} PUBLIC ${ARG_LINK})
  else()
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE ${ARG_LINK})
  endif()
endfunction()

add_library(tessix_base INTERFACE)
tessix_library(tessix_platform DIRS source/platform source/platform/host
               LINK tessix_base Threads::Threads rt)
target_link_libraries(tessix_platform PRIVATE PkgConfig::SDL2 ZLIB::ZLIB)
target_link_libraries(tessix_platform PUBLIC PkgConfig::EGL)
tessix_library(tessix_slp DIRS slp LINK tessix_platform Threads::Threads)
tessix_library(tessix_lsvc DIRS lsvc LINK tessix_platform)
tessix_library(tessix_common DIRS common LINK tessix_lsvc tessix_slp ZLIB::ZLIB OpenSSL::Crypto)
tessix_library(tessix_data DIRS data LINK tessix_base)
tessix_library(tessix_core DIRS source/core LINK tessix_common tessix_data)
target_link_libraries(tessix_core PRIVATE PkgConfig::ALSA)
tessix_library(tessix_graphics DIRS source/graphics LINK tessix_core PkgConfig::FREETYPE PkgConfig::GLESV2)
tessix_library(tessix_ui DIRS source/ui LINK tessix_graphics)
tessix_library(tessix_startup DIRS source/startup LINK tessix_ui)
tessix_library(tessix_sonar DIRS source/sonar LINK tessix_startup)
tessix_library(tessix_history DIRS source/history LINK tessix_sonar)
tessix_library(tessix_serial DIRS source/serial LINK tessix_history)
tessix_library(tessix_unitnet DIRS source/unitnet LINK tessix_serial)
# Later subsystems' folders, built once they hold modules.
tessix_library(tessix_chartengine DIRS chartengine LINK tessix_sonar)
tessix_library(tessix_lakechart DIRS lakechart LINK tessix_core)
tessix_library(tessix_imagery DIRS imagery LINK tessix_core)
tessix_library(tessix_html DIRS html LINK tessix_sonar)

# The whole unit, as the program links it.
add_library(tessix_program INTERFACE)
target_link_libraries(tessix_program INTERFACE
  tessix_html tessix_imagery tessix_lakechart tessix_chartengine tessix_unitnet tessix_serial tessix_history tessix_sonar tessix_startup)

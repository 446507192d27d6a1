# Link order of the folder libraries and their Debian dependencies.
find_package(PkgConfig REQUIRED)
find_package(ZLIB REQUIRED)
# The checksums and the SHA-1 hash compute through zlib and libcrypto.
find_package(OpenSSL REQUIRED)
# TrueType text renders through FreeType's cache manager.
pkg_check_modules(FREETYPE REQUIRED IMPORTED_TARGET freetype2)

# The host screen shows the unit's pages in an SDL window.
pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
target_link_libraries(tessix_host PRIVATE PkgConfig::SDL2)

foreach(lib tessix_host tessix_lsvc tessix_common tessix_data tessix_source
            tessix_chartengine tessix_lakechart tessix_imagery tessix_html)
  get_target_property(kind ${lib} TYPE)
  if(NOT kind STREQUAL "INTERFACE_LIBRARY")
    target_link_libraries(${lib} PUBLIC Threads::Threads)
  endif()
endforeach()
target_link_libraries(tessix_source PUBLIC PkgConfig::FREETYPE)
target_link_libraries(tessix_common PUBLIC ZLIB::ZLIB OpenSSL::Crypto)

# Everything the program links, as one target; the libraries may call each
# other in any direction, so the group is linked as a whole.
add_library(tessix_all INTERFACE)
target_link_libraries(tessix_all INTERFACE
  -Wl,--start-group
  tessix_source tessix_chartengine tessix_lakechart tessix_imagery tessix_html
  tessix_common tessix_data tessix_lsvc tessix_host
  -Wl,--end-group
  ZLIB::ZLIB OpenSSL::Crypto PkgConfig::FREETYPE Threads::Threads rt)

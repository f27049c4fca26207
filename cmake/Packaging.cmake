# Installation and packages: the game is one self-contained folder (the
# programs, data files, setup.ini, launcher, desktop entry and icon), as laid
# out by the build in VOLTARI_GAME_DIR. `cmake --install` copies it to
# <prefix>/voltari; `cpack -G TGZ` packs the same folder into
# voltari-<version>-<system>.tar.gz.
install(DIRECTORY ${VOLTARI_GAME_DIR}/ DESTINATION voltari USE_SOURCE_PERMISSIONS)

# The desktop entry names the installed folder. A package can be unpacked
# anywhere, so there it keeps a placeholder until `voltari.sh --desktop`.
if(EXISTS ${CMAKE_SOURCE_DIR}/setup/voltari.desktop.in)
  install(CODE "
    set(dir \"\${CMAKE_INSTALL_PREFIX}/voltari\")
    if(dir MATCHES \"/_CPack_Packages/\")
      set(dir \"/path/to/voltari\")
    endif()
    file(READ \"${CMAKE_SOURCE_DIR}/setup/voltari.desktop.in\" entry)
    string(REPLACE \"@VOLTARI_DIR@\" \"\${dir}\" entry \"\${entry}\")
    file(WRITE \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/voltari/voltari.desktop\" \"\${entry}\")
  ")
endif()

set(CPACK_PACKAGE_NAME voltari)
set(CPACK_PACKAGE_VENDOR "VOLTARI")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "VOLTARI, a two-player bat-and-ball arcade game, with its setup tool")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR TGZ)
# The archive holds voltari-<version>-<system>/voltari/..., nothing else.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_SOURCE_GENERATOR "")
include(CPack)

# Installation and packages.
#
# `cmake --install` lays out the system install (see VOLTARI_*_DIR): the
# launcher, the programs, the data files with the starter setup.ini, the menu
# and AppStream entries, icons and man pages. Each player's game folder is
# made from it by the launcher at the first start.
#
# `cpack -G TGZ` packs the portable game folder instead (component
# "folder"): voltari-<version>-<system>/voltari/ with the parked game, the
# data, optedit, the network game's dialog voltari-net, the launcher
# voltari.sh and the starter setup.ini, as a fresh build lays it out.
install(PROGRAMS ${VOLTARI_GAME_DIR}/voltari.sh DESTINATION ${VOLTARI_BIN_DIR} RENAME voltari)
install(TARGETS VOLTARI voltari-scale voltari-glinfo DESTINATION ${VOLTARI_LIB_DIR})
if(TARGET optedit)
  install(TARGETS optedit DESTINATION ${VOLTARI_LIB_DIR})
endif()
if(TARGET voltari-net)
  install(TARGETS voltari-net DESTINATION ${VOLTARI_LIB_DIR})
endif()
install(FILES ${VOLTARI_DATA_FILES} DESTINATION ${VOLTARI_DATA_DIR})
install(FILES ${CMAKE_SOURCE_DIR}/game/starter-setup.ini DESTINATION ${VOLTARI_DATA_DIR} RENAME setup.ini)
install(FILES ${CMAKE_SOURCE_DIR}/desktop/voltari.desktop DESTINATION share/applications)
install(FILES ${CMAKE_SOURCE_DIR}/desktop/voltari.metainfo.xml DESTINATION share/metainfo
        RENAME example.voltari.voltari.metainfo.xml)
install(FILES ${CMAKE_SOURCE_DIR}/desktop/voltari.6 ${CMAKE_SOURCE_DIR}/desktop/optedit.6 DESTINATION share/man/man6)
install(DIRECTORY ${VOLTARI_ICON_DIR} DESTINATION share/icons)
install(FILES ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION share/doc/voltari)

# The portable folder, for the tarball only.
set(folder voltari)
install(PROGRAMS $<TARGET_FILE:VOLTARI> DESTINATION ${folder} RENAME VLwait.nul
        COMPONENT folder EXCLUDE_FROM_ALL)
install(TARGETS voltari-scale voltari-glinfo DESTINATION ${folder} COMPONENT folder EXCLUDE_FROM_ALL)
if(TARGET optedit)
  install(TARGETS optedit DESTINATION ${folder} COMPONENT folder EXCLUDE_FROM_ALL)
endif()
if(TARGET voltari-net)
  install(TARGETS voltari-net DESTINATION ${folder} COMPONENT folder EXCLUDE_FROM_ALL)
endif()
install(PROGRAMS ${VOLTARI_GAME_DIR}/voltari.sh DESTINATION ${folder} COMPONENT folder EXCLUDE_FROM_ALL)
install(FILES ${VOLTARI_DATA_FILES} ${VOLTARI_GAME_DIR}/voltari.png ${CMAKE_SOURCE_DIR}/desktop/voltari.desktop
              ${CMAKE_SOURCE_DIR}/LICENSE
        DESTINATION ${folder} COMPONENT folder EXCLUDE_FROM_ALL)
install(FILES ${CMAKE_SOURCE_DIR}/game/starter-setup.ini DESTINATION ${folder} RENAME setup.ini
        COMPONENT folder EXCLUDE_FROM_ALL)

set(CPACK_PACKAGE_NAME voltari)
set(CPACK_PACKAGE_VENDOR "The VOLTARI developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "VOLTARI, a two-player bat-and-ball arcade game, with its setup tool")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_GENERATOR TGZ)
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL folder)
set(CPACK_ARCHIVE_FOLDER_FILE_NAME voltari-${PROJECT_VERSION}-${CMAKE_SYSTEM_NAME})
set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_SOURCE_GENERATOR "")
include(CPack)

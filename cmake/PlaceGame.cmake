# Puts the program just built into the game folder DIR. A folder whose game
# is installed already (it holds VOLTARI.exe) gets VOLTARI.exe updated; only
# a folder that was never installed gets the parked VLwait.nul. A parked copy
# left beside an installed game by an older build is stale: it goes.
if(EXISTS "${DIR}/VOLTARI.exe")
  file(COPY_FILE "${PROGRAM}" "${DIR}/VOLTARI.exe")
  file(REMOVE "${DIR}/VLwait.nul")
else()
  file(COPY_FILE "${PROGRAM}" "${DIR}/VLwait.nul")
endif()

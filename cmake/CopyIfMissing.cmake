# Copies SRC to DST unless DST exists: a player's saved settings survive rebuilds.
if(NOT EXISTS "${DST}")
  configure_file("${SRC}" "${DST}" COPYONLY)
endif()

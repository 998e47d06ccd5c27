# Lays out an installation folder the way the programs expect it:
#   <prefix>/VESKALaunch.exe, the classroom client beside it, the updater in temp/.
# Components, to install a part of it: launcher (the launcher and the
# substitute client), updater, kvt.
if(TARGET VeskaRoomLaunch)
  install(PROGRAMS $<TARGET_FILE:VeskaRoomLaunch> DESTINATION . RENAME VESKALaunch.exe COMPONENT launcher)
endif()
if(TARGET veskaroom)
  install(PROGRAMS $<TARGET_FILE:veskaroom> DESTINATION . RENAME veskaroom.exe COMPONENT launcher)
endif()
if(TARGET veskaUpdater)
  install(PROGRAMS $<TARGET_FILE:veskaUpdater> DESTINATION temp RENAME Updater.exe COMPONENT updater)
endif()
if(TARGET kvt)
  install(TARGETS kvt LIBRARY DESTINATION . COMPONENT kvt)
endif()
if(TARGET decompressor)
  install(FILES $<TARGET_FILE:decompressor> DESTINATION .)
endif()

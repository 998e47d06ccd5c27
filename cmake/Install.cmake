# Lays out an installation folder the way the programs expect it:
#   <prefix>/VESKALaunch.exe, the classroom client beside it, the updater in temp/.
if(TARGET VeskaRoomLaunch)
  install(PROGRAMS $<TARGET_FILE:VeskaRoomLaunch> DESTINATION . RENAME VESKALaunch.exe)
endif()
if(TARGET veskaroom)
  install(PROGRAMS $<TARGET_FILE:veskaroom> DESTINATION . RENAME veskaroom.exe)
endif()
if(TARGET veskaUpdater)
  install(PROGRAMS $<TARGET_FILE:veskaUpdater> DESTINATION temp RENAME Updater.exe)
endif()
if(TARGET kvt)
  install(TARGETS kvt LIBRARY DESTINATION .)
endif()

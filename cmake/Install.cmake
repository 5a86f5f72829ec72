# What `cmake --install` puts into the prefix: the programs, the shared libraries they load,
# libaurx300's public headers, the user manual, the desktop launcher with its icon and AppStream metadata, and the man
# pages. Test and benchmark programs and the static helper libraries stay in the build tree.
include(GNUInstallDirs)

# One desktop id names the launcher, the icon, the metadata and the autostart entry
# (app/startup/Autostart.h), so the desktop takes them for one program.
set(PARLARO_DESKTOP_ID org.parlaro.Parlaro)

set(parlaro_installed_programs)
foreach(program parlaro mover parlaro-reg parlaro-find aurx-host)
    if(TARGET ${program})
        list(APPEND parlaro_installed_programs ${program})
    endif()
endforeach()
set(parlaro_installed_libraries)
foreach(library aurx300 aurx300-qt)
    if(TARGET ${library})
        list(APPEND parlaro_installed_libraries ${library})
    endif()
endforeach()

# Installed programs find the libraries relative to themselves, so the prefix can be anywhere
# and nobody needs LD_LIBRARY_PATH; libaurx300-qt finds libaurx300 beside it the same way.
set_target_properties(${parlaro_installed_programs} PROPERTIES
    INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
set_target_properties(${parlaro_installed_libraries} PROPERTIES INSTALL_RPATH "$ORIGIN")

# parlaro starts mover from its own folder, so both go to the same one.
install(TARGETS ${parlaro_installed_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# libaurx300 is there to be linked against too: its public headers and its link name go with
# it. libaurx300-qt's headers are not installed, so it is there to be loaded only.
install(TARGETS ${parlaro_installed_libraries}
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} NAMELINK_SKIP)
install(TARGETS aurx300 LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} NAMELINK_ONLY)
install(DIRECTORY recorder/include/aurx/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/aurx
    FILES_MATCHING PATTERN "*.h")
install(FILES ${PROJECT_BINARY_DIR}/recorder/include/aurx/aurx_export.h
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/aurx)

# aurx-host's meter renderer, which it loads from the library folder through its run path.
if(TARGET aurx-host-meter)
    set_target_properties(aurx-host-meter PROPERTIES INSTALL_RPATH "$ORIGIN")
    install(TARGETS aurx-host-meter LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
endif()

install(FILES data/man/aurx-host.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

if(PARLARO_BUILD_QT)
    install(FILES data/man/parlaro.1 data/man/mover.1 data/man/parlaro-reg.1
                  data/man/parlaro-find.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    # The manual that the Help button opens.
    install(DIRECTORY docs/help/ DESTINATION ${CMAKE_INSTALL_DATADIR}/parlaro/help)
    install(FILES data/${PARLARO_DESKTOP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES data/${PARLARO_DESKTOP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    install(FILES data/${PARLARO_DESKTOP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

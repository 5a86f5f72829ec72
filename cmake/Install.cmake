# What `cmake --install` puts into the prefix: the programs, the shared libraries they load,
# libaurx300's public headers with its CMake package and pkg-config file, the user manual, the
# desktop launcher with its icon and AppStream metadata, and the man pages. Test and benchmark
# programs and the static helper libraries stay in the build tree.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

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
# libaurx300-qt's headers are not installed, so it is there to be loaded only.
list(REMOVE_ITEM parlaro_installed_libraries aurx300)
if(parlaro_installed_libraries)
    install(TARGETS ${parlaro_installed_libraries}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} NAMELINK_SKIP)
endif()

# libaurx300 is there to be linked against too: its link name, its public headers, and the two
# ways a host's build finds them, find_package(aurx300) and pkg-config aurx300. Both describe
# the prefix relative to themselves, like the programs' run paths.
install(TARGETS aurx300 EXPORT aurx300-targets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY recorder/include/aurx/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/aurx
    FILES_MATCHING PATTERN "*.h")
install(FILES ${PROJECT_BINARY_DIR}/recorder/include/aurx/aurx_export.h
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/aurx)

set(aurx300_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/aurx300)
install(EXPORT aurx300-targets NAMESPACE aurx300:: DESTINATION ${aurx300_cmake_dir})
configure_package_config_file(cmake/aurx300-config.cmake.in
    ${PROJECT_BINARY_DIR}/packaging/aurx300-config.cmake INSTALL_DESTINATION ${aurx300_cmake_dir})
# The soname stays libaurx300.so.0 through the 0.x releases: a request for 0.y takes any 0.x
# from y on.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/packaging/aurx300-config-version.cmake
    VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/packaging/aurx300-config.cmake
              ${PROJECT_BINARY_DIR}/packaging/aurx300-config-version.cmake
    DESTINATION ${aurx300_cmake_dir})

# Folders given as absolute paths do not move with the prefix, so they are written as they are.
if(IS_ABSOLUTE ${CMAKE_INSTALL_LIBDIR} OR IS_ABSOLUTE ${CMAKE_INSTALL_INCLUDEDIR})
    set(AURX300_PC_PREFIX ${CMAKE_INSTALL_PREFIX})
    set(AURX300_PC_LIBDIR ${CMAKE_INSTALL_FULL_LIBDIR})
    set(AURX300_PC_INCLUDEDIR ${CMAKE_INSTALL_FULL_INCLUDEDIR})
else()
    file(RELATIVE_PATH aurx300_pc_up /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
    string(REGEX REPLACE "/$" "" aurx300_pc_up "${aurx300_pc_up}")
    set(AURX300_PC_PREFIX "\${pcfiledir}/${aurx300_pc_up}")
    set(AURX300_PC_LIBDIR "\${prefix}/${CMAKE_INSTALL_LIBDIR}")
    set(AURX300_PC_INCLUDEDIR "\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}")
endif()
configure_file(cmake/aurx300.pc.in ${PROJECT_BINARY_DIR}/packaging/aurx300.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/packaging/aurx300.pc
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

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

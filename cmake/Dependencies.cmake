# Third-party libraries, all from Debian's packages (see scripts/install-deps).
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)

pkg_check_modules(MPG123 REQUIRED IMPORTED_TARGET libmpg123)
pkg_check_modules(LAME REQUIRED IMPORTED_TARGET lame)
pkg_check_modules(OPUSENC REQUIRED IMPORTED_TARGET libopusenc)
pkg_check_modules(PORTAUDIO REQUIRED IMPORTED_TARGET portaudio-2.0)
pkg_check_modules(ALSA REQUIRED IMPORTED_TARGET alsa)
pkg_check_modules(PULSE REQUIRED IMPORTED_TARGET libpulse)
pkg_check_modules(JACK IMPORTED_TARGET jack)

# libgsm ships no pkg-config file.
find_path(GSM_INCLUDE_DIR gsm.h PATH_SUFFIXES gsm REQUIRED)
find_library(GSM_LIBRARY gsm REQUIRED)
add_library(gsm::gsm UNKNOWN IMPORTED)
set_target_properties(gsm::gsm PROPERTIES IMPORTED_LOCATION ${GSM_LIBRARY}
                                          INTERFACE_INCLUDE_DIRECTORIES ${GSM_INCLUDE_DIR})

if(PARLARO_BUILD_TESTS)
    find_package(GTest REQUIRED)
endif()
if(PARLARO_BUILD_QT)
    find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets Network)
endif()

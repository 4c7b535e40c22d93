# Cross-builds the 64-bit Windows program with mingw-w64; its tests run under Wine.
set(MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

# Test programs run under wine64 in a prefix of the build's own (see the script).
get_filename_component(MINUTE_ALARM_WINE_RUN ${CMAKE_CURRENT_LIST_DIR}/../tests/windows/wine-run.sh ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${MINUTE_ALARM_WINE_RUN})

# The path data of the player's vector glyphs, written in movies. Only QtGui's path class is
# needed, so the target is built in builds without the player as well.
find_package(Qt6 COMPONENTS Gui QUIET)
if(TARGET Qt6::Gui)
    tessaly_add_fuzzer(NAME svgpath_fuzz CORPUS svgpath
        SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/svgpath_fuzz.cpp
                ${PROJECT_SOURCE_DIR}/components/efp/efpsvgpath.cpp
        LIBS Qt6::Gui)
endif()

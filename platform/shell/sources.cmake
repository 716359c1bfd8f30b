target_sources(platform PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/shell.h
    ${CMAKE_CURRENT_LIST_DIR}/shell.cpp)
# The desktop's own URL handling where Qt Gui is there; xdg-open in the non-GUI build.
if(TESSALY_WITH_GUI)
    target_link_libraries(platform PUBLIC Qt6::Gui)
    target_compile_definitions(platform PRIVATE TESSALY_SHELL_DESKTOP_SERVICES)
endif()

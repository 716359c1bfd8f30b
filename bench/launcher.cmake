# The launcher's start-up dispatch to the Organizer stand-in; needs the GUI build.
if(TARGET PixtrelOrvana AND TARGET PixtrelOrvanaOrganizer AND TARGET caps-tool)
    add_executable(launcher_bench ${CMAKE_CURRENT_SOURCE_DIR}/launcher_bench.cpp)
    target_link_libraries(launcher_bench PRIVATE tessaly_common crosswire platform
        tessaly_test_support Qt6::Core benchmark::benchmark)
    target_compile_definitions(launcher_bench PRIVATE
        TESSALY_LAUNCHER_PATH="$<TARGET_FILE:PixtrelOrvana>"
        TESSALY_ORGANIZER_PATH="$<TARGET_FILE:PixtrelOrvanaOrganizer>"
        TESSALY_EDITOR_PATH="$<TARGET_FILE:PixtrelOrvanaEditor>"
        TESSALY_CAPS_TOOL_PATH="$<TARGET_FILE:caps-tool>")
    add_dependencies(launcher_bench PixtrelOrvana PixtrelOrvanaOrganizer PixtrelOrvanaEditor
        caps-tool)
endif()

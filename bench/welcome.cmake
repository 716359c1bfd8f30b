# The Welcome Screen's first frame and resident memory beside a bare Qt Quick program, both
# started as processes on the bench's own Xvfb.
if(TESSALY_WITH_GUI AND TARGET PixtrelOrvana)
    add_executable(welcome_bare ${CMAKE_CURRENT_SOURCE_DIR}/welcome_bare.cpp)
    target_link_libraries(welcome_bare PRIVATE tessaly_common Qt6::Widgets Qt6::Quick)

    add_executable(welcome_bench ${CMAKE_CURRENT_SOURCE_DIR}/welcome_bench.cpp)
    target_link_libraries(welcome_bench PRIVATE tessaly_common Qt6::Core benchmark::benchmark)
    target_compile_definitions(welcome_bench PRIVATE
        TESSALY_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
        TESSALY_LAUNCHER_PATH="$<TARGET_FILE:PixtrelOrvana>"
        TESSALY_BENCH_BARE="$<TARGET_FILE:welcome_bare>")
    add_dependencies(welcome_bench PixtrelOrvana welcome_bare)
endif()

add_executable(scriptobjects_bench ${CMAKE_CURRENT_SOURCE_DIR}/scriptobjects_bench.cpp)
target_link_libraries(scriptobjects_bench PRIVATE tessaly_common crosswire platform Qt6::Core
    benchmark::benchmark)

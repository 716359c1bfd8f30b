add_executable(crosswire_bench ${CMAKE_CURRENT_SOURCE_DIR}/crosswire_bench.cpp)
target_link_libraries(crosswire_bench PRIVATE tessaly_common crosswire platform Qt6::Core
    benchmark::benchmark)

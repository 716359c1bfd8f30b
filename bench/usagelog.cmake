if(TARGET pip_records)
    add_executable(usagelog_bench ${CMAKE_CURRENT_SOURCE_DIR}/usagelog_bench.cpp)
    target_link_libraries(usagelog_bench PRIVATE tessaly_common pip_records Qt6::Core
        benchmark::benchmark)
endif()

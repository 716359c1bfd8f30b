# The content feed index and the content folder manifest beside the plain parsers they build on.
if(TARGET mbs_feed AND TARGET services)
    add_executable(mbs_bench ${CMAKE_CURRENT_SOURCE_DIR}/mbs_bench.cpp)
    target_link_libraries(mbs_bench PRIVATE tessaly_common mbs_feed services Qt6::Core
        benchmark::benchmark)
endif()

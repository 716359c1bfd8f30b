# Calls between a movie and its host through the whole player path, beside direct Qt calls.
if(TESSALY_WITH_GUI AND TARGET glint)
    add_executable(glint_bench ${CMAKE_CURRENT_SOURCE_DIR}/glint_bench.cpp)
    target_link_libraries(glint_bench PRIVATE tessaly_common glint Qt6::Qml benchmark::benchmark)
    target_compile_definitions(glint_bench PRIVATE TESSALY_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
endif()

target_sources(platform PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/shell.h
    ${CMAKE_CURRENT_LIST_DIR}/shell.cpp)
target_link_libraries(platform PUBLIC Qt6::Gui)

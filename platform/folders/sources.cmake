target_sources(platform PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/folders.h
    ${CMAKE_CURRENT_LIST_DIR}/folders.cpp)

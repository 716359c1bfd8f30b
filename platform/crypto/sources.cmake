target_sources(platform PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/crypto.h
    ${CMAKE_CURRENT_LIST_DIR}/crypto.cpp)

target_sources(platform PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/mutexfolder.h
    ${CMAKE_CURRENT_LIST_DIR}/mutexfolder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/namedmutex.h
    ${CMAKE_CURRENT_LIST_DIR}/namedmutex.cpp)

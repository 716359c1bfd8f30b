target_sources(platform PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/mailslot.h
    ${CMAKE_CURRENT_LIST_DIR}/mailslot.cpp
    ${CMAKE_CURRENT_LIST_DIR}/mailslotwriter.h
    ${CMAKE_CURRENT_LIST_DIR}/mailslotwriter.cpp
    ${CMAKE_CURRENT_LIST_DIR}/mailslotfolderwatch.h
    ${CMAKE_CURRENT_LIST_DIR}/mailslotfolderwatch.cpp)

target_sources(platform PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/gettextcatalog.h
    ${CMAKE_CURRENT_LIST_DIR}/gettextcatalog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/geoinfo.h
    ${CMAKE_CURRENT_LIST_DIR}/geoinfo.cpp)

target_sources(platform PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/bstr.h
    ${CMAKE_CURRENT_LIST_DIR}/bstr.cpp
    ${CMAKE_CURRENT_LIST_DIR}/nativewindowtypes.h
    ${CMAKE_CURRENT_LIST_DIR}/nativewindows.h
    ${CMAKE_CURRENT_LIST_DIR}/nativewindows.cpp
    ${CMAKE_CURRENT_LIST_DIR}/nativewindowregistry_p.h
    ${CMAKE_CURRENT_LIST_DIR}/nativewindowregistry.cpp)
target_link_libraries(platform PUBLIC Qt6::Gui)

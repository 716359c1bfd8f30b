target_sources(platform PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/desktopwindow.h
    ${CMAKE_CURRENT_LIST_DIR}/desktopconnection.h
    ${CMAKE_CURRENT_LIST_DIR}/desktopconnection.cpp)
pkg_check_modules(TESSALY_XCB REQUIRED IMPORTED_TARGET xcb)
target_link_libraries(platform PRIVATE PkgConfig::TESSALY_XCB)

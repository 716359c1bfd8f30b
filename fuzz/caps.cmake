# The configuration XML import of the product configuration database.
if(TARGET caps_core)
    tessaly_add_fuzzer(NAME caps_fuzz CORPUS caps
        SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/caps_fuzz.cpp LIBS caps_core)
endif()

# The "manifest.txt" of the content folders.
if(TARGET services)
    tessaly_add_fuzzer(NAME manifest_fuzz CORPUS manifest
        SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/manifest_fuzz.cpp LIBS services)
endif()

# The crash mark and the record texts of the usage-logging libraries.
if(TARGET pip_records)
    tessaly_add_fuzzer(NAME pip_fuzz CORPUS pip
        SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/pip_fuzz.cpp
            ${PROJECT_SOURCE_DIR}/components/pip/crashmarker.cpp
        LIBS pip_records)
endif()

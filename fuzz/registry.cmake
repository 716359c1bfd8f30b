# Hive files and import files: the .reg parser, the hive it builds and the writer.
tessaly_add_fuzzer(NAME registry_fuzz CORPUS registry
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/registry_fuzz.cpp LIBS platform)

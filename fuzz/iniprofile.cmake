# INI files shared with the Organizer ("Orvana.ini"), read and rewritten line by line.
tessaly_add_fuzzer(NAME iniprofile_fuzz CORPUS iniprofile
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/iniprofile_fuzz.cpp LIBS platform)

# The content feed index of our membership-services library.
if(TARGET mbs_feed)
    tessaly_add_fuzzer(NAME feed_fuzz CORPUS feed
        SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/feed_fuzz.cpp LIBS mbs_feed)
endif()

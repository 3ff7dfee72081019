# The digest engines: SHA-1 (used directly by the SHA1 natives), MD5 and MD2.
target_sources(cinder_engines PRIVATE ${CMAKE_CURRENT_LIST_DIR}/sha1.cc
                                      ${CMAKE_CURRENT_LIST_DIR}/md5.cc
                                      ${CMAKE_CURRENT_LIST_DIR}/md2.cc)
kit_test(digest_engines_test ${CMAKE_CURRENT_LIST_DIR}/digest_engines_test.cc
         LIBS cinder_engines cinder_memory_testing)

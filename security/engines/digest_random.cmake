# DigestRandom, the library's only source of random octets.
target_sources(cinder_engines PRIVATE ${CMAKE_CURRENT_LIST_DIR}/digest_random.cc)
kit_test(digest_random_test ${CMAKE_CURRENT_LIST_DIR}/digest_random_test.cc
         LIBS cinder_engines cinder_memory_testing)
target_compile_definitions(digest_random_test PRIVATE
  CODEC_TESTDATA="${CMAKE_SOURCE_DIR}/security/codec/testdata")

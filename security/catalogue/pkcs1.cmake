# The PKCS #1 RSA and digest-with-RSA types, and the records of RC4, the
# random generator and key generation.
target_sources(cinder_catalogue PRIVATE ${CMAKE_CURRENT_LIST_DIR}/pkcs1_algorithms.cc
                                        ${CMAKE_CURRENT_LIST_DIR}/generator_methods.cc)
kit_test(pkcs1_algorithms_test ${CMAKE_CURRENT_LIST_DIR}/pkcs1_algorithms_test.cc
         LIBS cinder_catalogue cinder_memory_testing)
target_compile_definitions(pkcs1_algorithms_test PRIVATE
  CODEC_TESTDATA="${CMAKE_SOURCE_DIR}/security/codec/testdata")

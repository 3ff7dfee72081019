# PKCS #1 blocks, the padded RSA cipher and the digest-with-RSA signature
# handler; they encode and decode DigestInfo with the codec.
target_sources(cinder_engines PRIVATE ${CMAKE_CURRENT_LIST_DIR}/pkcs1.cc)
target_link_libraries(cinder_engines PUBLIC cinder_codec)
kit_test(pkcs1_test ${CMAKE_CURRENT_LIST_DIR}/pkcs1_test.cc
         LIBS cinder_engines cinder_memory_testing)
target_compile_definitions(pkcs1_test PRIVATE
  CODEC_TESTDATA="${CMAKE_SOURCE_DIR}/security/codec/testdata")

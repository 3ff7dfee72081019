# KEY_RSA_PRIVATE_PKCS8: the key info type that needs the BER/DER codec.
target_sources(cinder_catalogue PRIVATE ${CMAKE_CURRENT_LIST_DIR}/pkcs8_key_info.cc)
target_link_libraries(cinder_catalogue PUBLIC cinder_codec)

kit_test(pkcs8_key_info_test ${CMAKE_CURRENT_LIST_DIR}/pkcs8_key_info_test.cc
         LIBS cinder_catalogue cinder_memory_testing)
target_compile_definitions(pkcs8_key_info_test PRIVATE
  CODEC_TESTDATA="${CMAKE_SOURCE_DIR}/security/codec/testdata")

# Prime search and the RSA key-pair engine.
target_sources(cinder_engines PRIVATE ${CMAKE_CURRENT_LIST_DIR}/prime.cc
                                      ${CMAKE_CURRENT_LIST_DIR}/keygen.cc)
kit_test(keygen_test ${CMAKE_CURRENT_LIST_DIR}/keygen_test.cc
         LIBS cinder_engines cinder_memory_testing)
target_compile_definitions(keygen_test PRIVATE
  CODEC_TESTDATA="${CMAKE_SOURCE_DIR}/security/codec/testdata")
if(NOT KIT_M32)
  find_package(OpenSSL REQUIRED)
  kit_test(keygen_openssl_test ${CMAKE_CURRENT_LIST_DIR}/keygen_openssl_test.cc
           LIBS cinder_engines cinder_memory_testing OpenSSL::Crypto)
  target_compile_definitions(keygen_openssl_test PRIVATE
    CODEC_TESTDATA="${CMAKE_SOURCE_DIR}/security/codec/testdata")
endif()

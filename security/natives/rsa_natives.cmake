# The RSA key, signature, RC4, pre-master secret and key-generation natives.
target_sources(cinder_natives PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/rsa_key_natives.cc
  ${CMAKE_CURRENT_LIST_DIR}/signature_natives.cc
  ${CMAKE_CURRENT_LIST_DIR}/rc4_natives.cc
  ${CMAKE_CURRENT_LIST_DIR}/pre_master_natives.cc
  ${CMAKE_CURRENT_LIST_DIR}/keygen_natives.cc
  ${CMAKE_CURRENT_LIST_DIR}/seeded_random.cc)
# The system seed comes from the platform's entropy source.
target_link_libraries(cinder_natives PUBLIC entropy)
target_link_libraries(cinder PRIVATE entropy)

kit_test(rsa_natives_test ${CMAKE_CURRENT_LIST_DIR}/rsa_natives_test.cc
         ${CMAKE_CURRENT_LIST_DIR}/natives_test_util.cc
         LIBS cinder_natives cinder_memory_testing javai)
target_compile_definitions(rsa_natives_test PRIVATE
  CODEC_TESTDATA="${CMAKE_SOURCE_DIR}/security/codec/testdata")
if(NOT KIT_M32)
  # OpenSSL's libcrypto is the peer of the cross-checks (tests only).
  find_package(OpenSSL REQUIRED)
  kit_test(rsa_natives_openssl_test ${CMAKE_CURRENT_LIST_DIR}/rsa_natives_openssl_test.cc
           ${CMAKE_CURRENT_LIST_DIR}/natives_test_util.cc
           LIBS cinder_natives cinder_memory_testing javai OpenSSL::Crypto)
  target_compile_definitions(rsa_natives_openssl_test PRIVATE
    CODEC_TESTDATA="${CMAKE_SOURCE_DIR}/security/codec/testdata")
endif()

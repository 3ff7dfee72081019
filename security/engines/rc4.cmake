# RC4, the stream cipher of the CipherRC4 natives.
target_sources(cinder_engines PRIVATE ${CMAKE_CURRENT_LIST_DIR}/rc4.cc)
if(NOT KIT_M32)
  # OpenSSL's libcrypto is the peer of the cross-checks (tests only).
  find_package(OpenSSL REQUIRED)
  kit_test(rc4_test ${CMAKE_CURRENT_LIST_DIR}/rc4_test.cc
           LIBS cinder_engines cinder_memory_testing OpenSSL::Crypto)
  target_compile_definitions(rc4_test PRIVATE
    ENGINES_TESTDATA="${CMAKE_CURRENT_LIST_DIR}/testdata"
    CODEC_TESTDATA="${CMAKE_SOURCE_DIR}/security/codec/testdata")
endif()

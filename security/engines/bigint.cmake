# Big numbers, Montgomery exponentiation and the RSA block engines.
target_sources(cinder_engines PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/bigint.cc
  ${CMAKE_CURRENT_LIST_DIR}/mont.cc
  ${CMAKE_CURRENT_LIST_DIR}/mont_ifma.cc
  ${CMAKE_CURRENT_LIST_DIR}/rsa_engine.cc)

kit_test(bigint_test ${CMAKE_CURRENT_LIST_DIR}/bigint_test.cc LIBS cinder_engines cinder_memory_testing)
if(NOT KIT_M32)
  # GMP is the reference of the randomised cross-checks (64-bit builds only).
  kit_test(bigint_gmp_test ${CMAKE_CURRENT_LIST_DIR}/bigint_gmp_test.cc
           LIBS cinder_engines cinder_memory_testing gmp)
endif()
kit_test(mont_test ${CMAKE_CURRENT_LIST_DIR}/mont_test.cc LIBS cinder_engines cinder_memory_testing)
target_compile_definitions(mont_test PRIVATE RSA_TESTDATA_DIR="${CMAKE_CURRENT_LIST_DIR}/testdata")
kit_test(rsa_engine_test ${CMAKE_CURRENT_LIST_DIR}/rsa_engine_test.cc
         LIBS cinder_engines cinder_memory_testing)
target_compile_definitions(rsa_engine_test PRIVATE
                           RSA_TESTDATA_DIR="${CMAKE_CURRENT_LIST_DIR}/testdata")

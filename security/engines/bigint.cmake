# Big numbers, Montgomery exponentiation and the RSA block engines.
target_sources(cinder_engines PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/bigint.cc
  ${CMAKE_CURRENT_LIST_DIR}/mont.cc)

kit_test(bigint_test ${CMAKE_CURRENT_LIST_DIR}/bigint_test.cc LIBS cinder_engines cinder_memory_testing)

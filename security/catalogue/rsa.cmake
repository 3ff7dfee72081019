# The method records and lists of the raw RSA block engines.
target_sources(cinder_catalogue PRIVATE ${CMAKE_CURRENT_LIST_DIR}/rsa_methods.cc)

kit_test(rsa_methods_test ${CMAKE_CURRENT_LIST_DIR}/rsa_methods_test.cc
         LIBS cinder_catalogue cinder_memory_testing)
target_compile_definitions(rsa_methods_test PRIVATE
  RSA_TESTDATA_DIR="${CMAKE_SOURCE_DIR}/security/engines/testdata")

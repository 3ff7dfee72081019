# bigint_bench: bigint_mod_exp against GMP and OpenSSL, and the RSA private-key
# block against OpenSSL's raw private operation.
find_package(OpenSSL REQUIRED)
kit_bench(bigint_bench ${CMAKE_CURRENT_LIST_DIR}/bigint_bench.cc
          LIBS cinder_engines cinder_memory OpenSSL::Crypto gmp)

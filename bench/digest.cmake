# digest_bench: MD5 and SHA-1 against OpenSSL's libcrypto, MD2 against nettle.
find_package(OpenSSL REQUIRED)
find_library(NETTLE_LIBRARY nettle REQUIRED)
kit_bench(digest_bench ${CMAKE_CURRENT_LIST_DIR}/digest_bench.cc
          LIBS cinder_engines cinder_memory OpenSSL::Crypto ${NETTLE_LIBRARY})

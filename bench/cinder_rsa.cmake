# rsa_bench: RC4 against OpenSSL and nettle; MD5-with-RSA and raw PKCS #1
# signatures and key generation against OpenSSL.
find_package(OpenSSL REQUIRED)
find_library(NETTLE_LIBRARY nettle REQUIRED)
kit_bench(rsa_bench ${CMAKE_CURRENT_LIST_DIR}/rsa_bench.cc
          LIBS cinder_catalogue cinder_memory OpenSSL::Crypto ${NETTLE_LIBRARY})

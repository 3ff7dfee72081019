// The RSA test keys of testdata/rsa_keys.txt as octet strings and key values,
// for the engine and catalogue tests. RSA_TESTDATA_DIR names the folder.
#ifndef KIT_SECURITY_ENGINES_RSA_TEST_KEYS_H
#define KIT_SECURITY_ENGINES_RSA_TEST_KEYS_H

#include <stdint.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "security/framework/key_types.h"

using Octets = std::vector<uint8_t>;

inline Octets octets_from_hex(std::string hex) {
  if (hex.size() % 2 != 0) {
    hex = "0" + hex;
  }
  Octets out;
  for (size_t i = 0; i < hex.size(); i += 2) {
    out.push_back(static_cast<uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  }
  return out;
}

// The same number as exactly |k| octets.
inline Octets fixed(const Octets &value, size_t k) {
  Octets out(k - value.size(), 0);
  out.insert(out.end(), value.begin(), value.end());
  return out;
}

inline Item item_of(Octets &octets) { return {octets.data(), static_cast<uint32_t>(octets.size())}; }

// One key, with a block x and its private-key image y = x^d mod n.
struct TestKey {
  Octets n, e, d, p, q, dp, dq, qinv, x, y;
  RsaPublicValue public_value() { return {item_of(n), item_of(e)}; }
  RsaPrivateValue private_value() {
    return {item_of(n), item_of(e),  item_of(d),  item_of(p),
            item_of(q), item_of(dp), item_of(dq), item_of(qinv)};
  }
  size_t k() const { return n.size(); }
};

// Keys by name: rsa1024_p_above_q, rsa1024_swapped (p < q), rsa2048_...
inline std::map<std::string, TestKey> load_rsa_test_keys() {
  std::ifstream in(RSA_TESTDATA_DIR "/rsa_keys.txt");
  std::map<std::string, TestKey> keys;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') {
      continue;
    }
    std::istringstream fields(line);
    std::string name, hex[10];
    fields >> name;
    for (std::string &h : hex) {
      fields >> h;
    }
    TestKey key;
    Octets *parts[10] = {&key.n, &key.e,  &key.d,  &key.p,    &key.q,
                         &key.dp, &key.dq, &key.qinv, &key.x, &key.y};
    for (int i = 0; i < 10; i++) {
      *parts[i] = octets_from_hex(hex[i]);
    }
    keys[name] = key;
  }
  return keys;
}

#endif  // KIT_SECURITY_ENGINES_RSA_TEST_KEYS_H

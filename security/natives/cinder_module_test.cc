// libcinder.so as a VM meets it: loaded with dlopen in a process that provides
// the VM services (here the stand-in), entry points found by name and called
// through slot arrays; and its dynamic symbol table holds entry points only.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <link.h>
#include <string.h>

#include <regex>
#include <set>
#include <string>
#include <vector>

#include "platform/javai/javai.h"
#include "platform/javai/javai_testing.h"

namespace {

typedef Slot *(*Stub)(Slot *sp, ExecEnv *ee);

class CinderModule : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = dlopen(CINDER_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module_, nullptr) << dlerror();
  }
  void TearDown() override {
    if (module_ != nullptr) dlclose(module_);
    javai_release_all();
  }
  Stub stub(const std::string &name) {
    Stub s = reinterpret_cast<Stub>(dlsym(module_, name.c_str()));
    EXPECT_NE(s, nullptr) << name;
    return s;
  }
  void *module_ = nullptr;
};

std::string digest_hex(Handle *array) {
  std::string s;
  char buf[3];
  for (uint8_t b : javai_byte_array_bytes(array)) {
    snprintf(buf, sizeof(buf), "%02x", b);
    s += buf;
  }
  return s;
}

TEST_F(CinderModule, DigestsThroughTheLoadedModule) {
  struct Row {
    const char *cls;
    const char *constructor;
    const char *digest_class;
    const char *abc;
  };
  const Row rows[] = {
      {"MD5", "Java_quill_security_ember_MD5_nativeConstructor_stub", "EmberDigest",
       "900150983cd24fb0d6963f7d28e17f72"},
      {"SHA1", "Java_quill_security_ember_SHA1_nativeConstructor_stub", "SHA1",
       "a9993e364706816aba3e25717850c26c9cd0d89d"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.cls);
    const std::string prefix = std::string("Java_quill_security_ember_") + row.digest_class + "_";
    Handle *self = javai_new_object(4);
    Handle *data = javai_new_byte_array({'a', 'b', 'c'});
    Slot slots[4] = {handle_slot(self)};
    ASSERT_EQ(stub(row.constructor)(slots, EE()), slots);
    slots[1] = handle_slot(data);
    slots[2] = int_slot(0);
    slots[3] = int_slot(3);
    ASSERT_EQ(stub(prefix + "nativeUpdateBytes_stub")(slots, EE()), slots);
    ASSERT_EQ(stub(prefix + "nativeDigest_stub")(slots, EE()), slots + 1);
    EXPECT_EQ(digest_hex(slot_handle(slots[0])), row.abc);
    slots[0] = handle_slot(self);
    stub(prefix + "nativeFinalize_stub")(slots, EE());
    EXPECT_FALSE(javai_take_exception().has_value());
  }
}

// The names libcinder.so defines in its dynamic symbol table, read from its
// own ELF dynamic section.
std::set<std::string> defined_dynamic_symbols(void *module) {
  struct link_map *map = nullptr;
  EXPECT_EQ(dlinfo(module, RTLD_DI_LINKMAP, &map), 0);
  const ElfW(Sym) *symbols = nullptr;
  const char *strings = nullptr;
  const ElfW(Word) *gnu_hash = nullptr;
  for (const ElfW(Dyn) *d = map->l_ld; d->d_tag != DT_NULL; d++) {
    if (d->d_tag == DT_SYMTAB) symbols = reinterpret_cast<const ElfW(Sym) *>(d->d_un.d_ptr);
    if (d->d_tag == DT_STRTAB) strings = reinterpret_cast<const char *>(d->d_un.d_ptr);
    if (d->d_tag == DT_GNU_HASH) gnu_hash = reinterpret_cast<const ElfW(Word) *>(d->d_un.d_ptr);
  }
  EXPECT_NE(gnu_hash, nullptr);
  std::set<std::string> names;
  if (symbols == nullptr || strings == nullptr || gnu_hash == nullptr) return names;
  // The symbol count is not recorded: walk the GNU hash chains to the last one.
  const ElfW(Word) buckets = gnu_hash[0], first = gnu_hash[1], bloom_words = gnu_hash[2];
  const ElfW(Word) *bucket = gnu_hash + 4 + bloom_words * (sizeof(ElfW(Addr)) / 4);
  const ElfW(Word) *chain = bucket + buckets;
  ElfW(Word) count = first;
  for (ElfW(Word) b = 0; b < buckets; b++) {
    if (bucket[b] == 0) continue;
    ElfW(Word) i = bucket[b];
    while ((chain[i - first] & 1) == 0) i++;
    if (i + 1 > count) count = i + 1;
  }
  for (ElfW(Word) i = 1; i < count; i++) {
    if (symbols[i].st_shndx != SHN_UNDEF) names.insert(strings + symbols[i].st_name);
  }
  return names;
}

TEST_F(CinderModule, ExportsEntryPointsOnly) {
  const std::regex entry("Java_quill_security_(ember|ssl)_[A-Za-z0-9]+_[A-Za-z0-9_]+_stub");
  std::set<std::string> names = defined_dynamic_symbols(module_);
  for (const std::string &name : names) {
    EXPECT_TRUE(std::regex_match(name, entry)) << "exported: " << name;
  }
  const char *const built_here[] = {
      "Java_quill_security_ember_EmberDigest_initIDs_stub",
      "Java_quill_security_ember_EmberDigest_nativeUpdateByte_stub",
      "Java_quill_security_ember_EmberDigest_nativeUpdateBytes_stub",
      "Java_quill_security_ember_EmberDigest_nativeDigest_stub",
      "Java_quill_security_ember_EmberDigest_nativeReset_stub",
      "Java_quill_security_ember_EmberDigest_nativeFinalize_stub",
      "Java_quill_security_ember_EmberPrivateKey_initIDs_stub",
      "Java_quill_security_ember_EmberPublicKey_initIDs_stub",
      "Java_quill_security_ember_EmberSig_initIDs_stub",
      "Java_quill_security_ember_MD5_nativeConstructor_stub",
      "Java_quill_security_ember_RSAKeyGen_initIDs_stub",
      "Java_quill_security_ember_SHA1_initIDs_stub",
      "Java_quill_security_ember_SHA1_nativeConstructor_stub",
      "Java_quill_security_ember_SHA1_nativeDigest_stub",
      "Java_quill_security_ember_SHA1_nativeFinalize_stub",
      "Java_quill_security_ember_SHA1_nativeReset_stub",
      "Java_quill_security_ember_SHA1_nativeUpdateByte_stub",
      "Java_quill_security_ember_SHA1_nativeUpdateBytes_stub",
      "Java_quill_security_ssl_CipherRC4_initIDs_stub",
  };
  for (const char *name : built_here) {
    EXPECT_EQ(names.count(name), 1u) << "missing: " << name;
  }
}

}  // namespace

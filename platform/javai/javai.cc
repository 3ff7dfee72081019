// The Java VM stand-in: the five native-method services over plain heap
// objects, and the test hooks of javai_testing.h. Unlike the native libraries
// it serves, the stand-in is the VM and so keeps global state: every object it
// hands out, and per thread the pending exception.
#include "platform/javai/javai_testing.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

struct ExecEnv {
  std::optional<PendingException> pending;
  int posted = 0;
};

namespace {

enum class Kind { kObject, kArray, kString };

struct Allocation {
  Kind kind;
  std::unique_ptr<Handle> handle;
  std::unique_ptr<uint8_t[]> data;
  size_t size;
};

struct Heap {
  std::mutex lock;
  std::map<const Handle *, Allocation> live;
  std::vector<std::unique_ptr<char[]>> c_strings;
  int failures_pending = 0;
  int successes_before_failure = -1;  // -1: no delayed failure armed
  long array_alloc_calls = 0;
};

Heap &heap() {
  static Heap *h = new Heap;  // never destroyed: natives may run during exit
  return *h;
}

thread_local ExecEnv current_env;

// Makes an allocation of |size| zeroed bytes (at least one, so obj is never null).
Handle *allocate(Kind kind, size_t size, uintptr_t methods) {
  Allocation a{kind, std::make_unique<Handle>(), std::make_unique<uint8_t[]>(size + 1), size};
  std::memset(a.data.get(), 0, size + 1);
  a.handle->obj = a.data.get();
  a.handle->methods = methods;
  Handle *h = a.handle.get();
  Heap &hp = heap();
  std::lock_guard<std::mutex> guard(hp.lock);
  hp.live.emplace(h, std::move(a));
  return h;
}

const Allocation *find(const Handle *h) {
  Heap &hp = heap();
  std::lock_guard<std::mutex> guard(hp.lock);
  auto it = hp.live.find(h);
  return it == hp.live.end() ? nullptr : &it->second;
}

uintptr_t array_methods(int type, size_t length) { return ((uintptr_t)length << 5) | (uintptr_t)type; }

}  // namespace

extern "C" {

JAVAI_TEST_EXPORT ExecEnv *EE(void) { return &current_env; }

JAVAI_TEST_EXPORT void SignalError(ExecEnv *ee, const char *cls, const char *msg) {
  ExecEnv *env = ee != nullptr ? ee : &current_env;
  PendingException e;
  e.class_name = cls != nullptr ? cls : "";
  if (msg != nullptr) e.message = msg;
  env->pending = std::move(e);
  env->posted++;
}

JAVAI_TEST_EXPORT Handle *ArrayAlloc(int type, int length) {
  {
    Heap &hp = heap();
    std::lock_guard<std::mutex> guard(hp.lock);
    hp.array_alloc_calls++;
    if (hp.failures_pending > 0) {
      hp.failures_pending--;
      return nullptr;
    }
    if (hp.successes_before_failure >= 0 && hp.successes_before_failure-- == 0) {
      return nullptr;
    }
  }
  if (length < 0) return nullptr;
  size_t element = type == JAVA_T_BYTE ? 1 : sizeof(Handle *);
  return allocate(Kind::kArray, element * (size_t)length, array_methods(type, (size_t)length));
}

JAVAI_TEST_EXPORT char *makeCString(Handle *string) {
  std::optional<std::string> text = javai_string_text(string);
  if (!text) return nullptr;
  auto copy = std::make_unique<char[]>(text->size() + 1);
  std::memcpy(copy.get(), text->c_str(), text->size() + 1);
  char *p = copy.get();
  Heap &hp = heap();
  std::lock_guard<std::mutex> guard(hp.lock);
  hp.c_strings.push_back(std::move(copy));
  return p;
}

JAVAI_TEST_EXPORT Handle *makeJavaString(const char *text, int length) {
  if (text == nullptr || length < 0) return nullptr;
  return javai_new_string(std::string(text, (size_t)length));
}

}  // extern "C"

Handle *javai_new_object(int cells) {
  return allocate(Kind::kObject, sizeof(Slot) * (size_t)(cells > 0 ? cells : 0), 0);
}

Handle *javai_new_byte_array(const std::vector<uint8_t> &bytes) {
  Handle *h = allocate(Kind::kArray, bytes.size(), array_methods(JAVA_T_BYTE, bytes.size()));
  if (!bytes.empty()) std::memcpy(h->obj, bytes.data(), bytes.size());
  return h;
}

Handle *javai_new_ref_array(int length) {
  size_t n = (size_t)(length > 0 ? length : 0);
  return allocate(Kind::kArray, sizeof(Handle *) * n, array_methods(JAVA_T_CLASS, n));
}

Handle *javai_new_string(const std::string &text) {
  Handle *h = allocate(Kind::kString, text.size(), 0);
  std::memcpy(h->obj, text.data(), text.size());
  return h;
}

std::optional<std::string> javai_string_text(const Handle *string) {
  if (string == nullptr) return std::nullopt;
  const Allocation *a = find(string);
  if (a == nullptr || a->kind != Kind::kString) return std::nullopt;
  return std::string(reinterpret_cast<const char *>(a->data.get()), a->size);
}

std::vector<uint8_t> javai_byte_array_bytes(const Handle *array) {
  if (array == nullptr) return {};
  const uint8_t *p = byte_array_data(array);
  return std::vector<uint8_t>(p, p + array_length(array));
}

std::optional<PendingException> javai_take_exception() {
  std::optional<PendingException> e = std::move(current_env.pending);
  current_env.pending.reset();
  current_env.posted = 0;
  return e;
}

int javai_exceptions_posted() { return current_env.posted; }

void javai_fail_next_array_allocs(int count) {
  Heap &hp = heap();
  std::lock_guard<std::mutex> guard(hp.lock);
  hp.failures_pending = count;
}

void javai_fail_array_alloc_after(int successes) {
  Heap &hp = heap();
  std::lock_guard<std::mutex> guard(hp.lock);
  hp.successes_before_failure = successes;
}

long javai_array_alloc_calls() {
  Heap &hp = heap();
  std::lock_guard<std::mutex> guard(hp.lock);
  return hp.array_alloc_calls;
}

void javai_release_all() {
  Heap &hp = heap();
  std::lock_guard<std::mutex> guard(hp.lock);
  hp.live.clear();
  hp.c_strings.clear();
  hp.failures_pending = 0;
  hp.successes_before_failure = -1;
  current_env.pending.reset();
  current_env.posted = 0;
}

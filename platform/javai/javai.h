// javai.h: the native-method interface of the Java VM as the kit's native
// libraries see it. The layout is a binary convention shared with any host that
// loads the libraries, so none of it may change:
//   - a Slot is one operand-stack slot; an int lives in its low 32 bits;
//   - a reference is a Handle*; Handle::obj points at the instance data (for an
//     array at element 0); for an array Handle::methods is (length << 5) | type;
//   - instance data is an array of Slot cells; the field at byte offset o of the
//     32-bit layout is cell o / 4, a 64-bit field is cells o/4 (the pointer) and
//     o/4 + 1 (zero).
#ifndef KIT_PLATFORM_JAVAI_JAVAI_H
#define KIT_PLATFORM_JAVAI_JAVAI_H

#include <stddef.h>
#include <stdint.h>

typedef uintptr_t Slot;

struct Handle {
  void *obj;
  uintptr_t methods;
};

struct ExecEnv;

// Element type codes of ArrayAlloc.
enum { JAVA_T_CLASS = 2, JAVA_T_BYTE = 8 };

#define JAVA_EXPORT extern "C" __attribute__((visibility("default")))

extern "C" {
// EE returns the calling thread's execution environment.
ExecEnv *EE(void);
// SignalError posts an exception of class |cls| (slash-separated) with detail
// |msg| (none when null) on the calling thread; |ee| may be null.
void SignalError(ExecEnv *ee, const char *cls, const char *msg);
// ArrayAlloc returns a new zero-filled array, or null when memory is exhausted.
Handle *ArrayAlloc(int type, int length);
// makeCString returns a NUL-terminated copy of a Java String, owned by the VM.
char *makeCString(Handle *string);
// makeJavaString returns a new Java String of the first |length| characters.
Handle *makeJavaString(const char *text, int length);
}

// Slot and handle accessors, as the VM's native-interface macros provide them.
static inline int32_t slot_int(Slot s) { return (int32_t)s; }
static inline Slot int_slot(int32_t v) { return (Slot)(intptr_t)v; }
static inline Handle *slot_handle(Slot s) { return (Handle *)s; }
static inline Slot handle_slot(Handle *h) { return (Slot)h; }

static inline uint32_t array_length(const Handle *array) {
  return (uint32_t)(array->methods >> 5);
}
static inline uint8_t *byte_array_data(const Handle *array) {
  return (uint8_t *)array->obj;
}
static inline Handle **ref_array_data(const Handle *array) {
  return (Handle **)array->obj;
}

// The cell of the field at byte offset |offset| of the 32-bit instance layout.
static inline Slot *field_cell(const Handle *object, size_t offset) {
  return (Slot *)object->obj + offset / 4;
}
static inline void *get_field_pointer(const Handle *object, size_t offset) {
  return (void *)*field_cell(object, offset);
}
// Stores a pointer into a 64-bit field: low word the pointer, high word zero.
static inline void set_long_field_pointer(const Handle *object, size_t offset, void *p) {
  field_cell(object, offset)[0] = (Slot)p;
  field_cell(object, offset)[1] = 0;
}
static inline void set_field_pointer(const Handle *object, size_t offset, void *p) {
  *field_cell(object, offset) = (Slot)p;
}
static inline int32_t get_int_field(const Handle *object, size_t offset) {
  return slot_int(*field_cell(object, offset));
}
static inline void set_int_field(const Handle *object, size_t offset, int32_t v) {
  *field_cell(object, offset) = int_slot(v);
}
static inline Handle *get_ref_field(const Handle *object, size_t offset) {
  return slot_handle(*field_cell(object, offset));
}
static inline void set_ref_field(const Handle *object, size_t offset, Handle *h) {
  *field_cell(object, offset) = handle_slot(h);
}

#endif  // KIT_PLATFORM_JAVAI_JAVAI_H

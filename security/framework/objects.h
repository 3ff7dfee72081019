// objects.h: the two object kinds of the framework, AlgorithmObject and
// KeyObject, and the info types that describe what they hold.
//
// Callers name an info type through its accessor: a function that stores the
// type's address into *type and returns INFO_TYPE_ALGORITHM for an algorithm
// info type or INFO_TYPE_KEY for a key info type. The identity of an info type
// is its address.
#ifndef KIT_SECURITY_FRAMEWORK_OBJECTS_H
#define KIT_SECURITY_FRAMEWORK_OBJECTS_H

#include <stdint.h>

#include "security/framework/base.h"
#include "security/framework/info_store.h"

struct AlgorithmObject;
struct KeyObject;
struct Handler;
struct AlgorithmInfoType;

enum { INFO_TYPE_ALGORITHM = 0, INFO_TYPE_KEY = 1 };
typedef int (*InfoTypeAccessor)(const void **type);

// InfoTypeClass: the behaviour shared by a family of algorithm info types.
struct InfoTypeClass {
  // Records the parameters |info| in the object's store and pushes
  // (type, record); parameterless types push (type, null).
  Status (*set)(const AlgorithmInfoType *type, AlgorithmObject *object, const void *info);
  // Allocates and constructs the handler of this type; null on failure.
  Handler *(*new_handler)(const AlgorithmInfoType *type, AlgorithmObject *object);
  // Produces the info of this type for an object that does not hold it.
  Status (*derive)(const AlgorithmInfoType *type, void **out, AlgorithmObject *object);
};

// AlgorithmInfoType: a class and the type's own parameters (null when the
// class needs none).
struct AlgorithmInfoType {
  const InfoTypeClass *type_class;
  const void *params;
};

// KeyInfoType: one representation of a key.
struct KeyInfoType {
  // Copies the representation |info| into the key's store and pushes it (and
  // possibly further representations derived from it).
  Status (*set)(KeyObject *key, const void *info);
  // Builds this representation from one the key holds into *out (the value
  // lives in the key's store); STATUS_WRONG_KEY_INFO when impossible.
  Status (*derive)(void **out, KeyObject *key);
};

// Bit 0 of AlgorithmObject::flags: an init operation has succeeded.
enum { ALGORITHM_INITIALIZED = 1 };

struct AlgorithmObject {
  InfoStore store;
  Handler *handler;  // null until algorithm info is set
  uint32_t flags;
  const void *tag;   // the algorithm-object marker
  const AlgorithmObject *self;
};

struct KeyObject {
  InfoStore store;
  const void *tag;  // the key-object marker
  const KeyObject *self;
};

// Liveness: non-null, self pointer equal to the address, tag the marker.
bool algorithm_object_is_live(const AlgorithmObject *object);
bool key_object_is_live(const KeyObject *key);

// create_algorithm_object allocates an empty live object into *out.
// Returns 0 or STATUS_NO_MEMORY (*out untouched).
Status create_algorithm_object(AlgorithmObject **out);

// destroy_algorithm_object releases a live object: clears its self pointer,
// releases and frees its handler, clears (wipes) its store, frees it. Always
// sets *object to null. Returns 0, or STATUS_BAD_ALGORITHM_OBJECT for a null or
// non-live object, which is left untouched.
Status destroy_algorithm_object(AlgorithmObject **object);

// create_key_object / destroy_key_object: the same for keys. Destroying a null
// key does nothing and returns 0; a non-live key gives STATUS_BAD_KEY_OBJECT.
Status create_key_object(KeyObject **out);
Status destroy_key_object(KeyObject **key);

// set_algorithm_info names the object's algorithm. Checks, in order:
// STATUS_BAD_ALGORITHM_OBJECT, STATUS_NOT_ALGORITHM_INFO (the accessor reports a
// key info type), STATUS_INFO_ALREADY_SET (the object holds info); then the
// class's set slot (its status returned), then its newHandler slot
// (STATUS_NO_MEMORY when it fails; the pushed info entry stays).
Status set_algorithm_info(AlgorithmObject *object, InfoTypeAccessor accessor, const void *info);

// get_algorithm_info stores in *out the object's value of the named type:
// STATUS_BAD_ALGORITHM_OBJECT, STATUS_NOT_ALGORITHM_INFO for a key info type,
// STATUS_NO_ALGORITHM when the object holds no info; a value not held is
// derived by the type's class and cached. get_algorithm_info_of_type is the
// same for a type named directly (types without an accessor).
Status get_algorithm_info(AlgorithmObject *object, void **out, InfoTypeAccessor accessor);
Status get_algorithm_info_of_type(AlgorithmObject *object, void **out,
                                  const AlgorithmInfoType *type);

// set_key_info sets the key's first representation: STATUS_BAD_KEY_OBJECT for
// a null or non-live key, STATUS_WRONG_OPERATION for an algorithm info type,
// STATUS_KEY_ALREADY_SET when the key holds info; then the type's set slot.
Status set_key_info(KeyObject *key, InfoTypeAccessor accessor, const void *info);
Status set_key_info_of_type(KeyObject *key, const KeyInfoType *type, const void *info);

// get_key_info stores in *out the key's value of the named type:
// STATUS_BAD_KEY_OBJECT, STATUS_WRONG_OPERATION for an algorithm info type,
// STATUS_KEY_EMPTY when the key holds nothing; a value not held is derived
// (the type's derive slot), cached by pushing it, and returned. The value
// stays owned by the key.
Status get_key_info(void **out, KeyObject *key, InfoTypeAccessor accessor);
Status get_key_info_of_type(void **out, KeyObject *key, const KeyInfoType *type);

#endif  // KIT_SECURITY_FRAMEWORK_OBJECTS_H

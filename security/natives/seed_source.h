// seed_source.h: the operating-system inputs of the seeded random generators,
// kept in this one file: the current time as a 16-octet record and octets
// from the system's random source.
#ifndef KIT_SECURITY_NATIVES_SEED_SOURCE_H
#define KIT_SECURITY_NATIVES_SEED_SOURCE_H

#include <stdint.h>

enum { SYSTEM_TIME_RECORD_LENGTH = 16, SYSTEM_RANDOM_SEED_LENGTH = 32 };

// seed_source_system_time fills |out| with the current UTC time as eight
// unsigned 16-bit little-endian fields: year, month (1-12), day of week
// (0 = Sunday), day, hour, minute, second, milliseconds.
void seed_source_system_time(uint8_t out[SYSTEM_TIME_RECORD_LENGTH]);

// seed_source_system_random fills |out| with |len| octets from getrandom(2).
// Returns false when the source fails.
bool seed_source_system_random(uint8_t *out, uint32_t len);

#endif  // KIT_SECURITY_NATIVES_SEED_SOURCE_H

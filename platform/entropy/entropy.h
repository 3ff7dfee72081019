// entropy.h: the operating system's inputs for seeding random generators: the
// current time as a 16-octet record and octets from the system's random
// source. The security library reaches the system only through these calls.
#ifndef KIT_PLATFORM_ENTROPY_ENTROPY_H
#define KIT_PLATFORM_ENTROPY_ENTROPY_H

#include <stdint.h>

enum { SYSTEM_TIME_RECORD_LENGTH = 16 };

// entropy_system_time fills |out| with the current UTC time as eight unsigned
// 16-bit little-endian fields: year, month (1-12), day of week (0 = Sunday),
// day, hour, minute, second, milliseconds.
void entropy_system_time(uint8_t out[SYSTEM_TIME_RECORD_LENGTH]);

// entropy_system_random fills |out| with |len| octets from getrandom(2),
// retrying short reads and interruptions. Returns false when the source fails
// (the contents of |out| are then unspecified).
bool entropy_system_random(uint8_t *out, uint32_t len);

#endif  // KIT_PLATFORM_ENTROPY_ENTROPY_H

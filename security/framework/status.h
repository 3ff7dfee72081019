// status.h: translation of engine codes into framework statuses. Engines speak
// EngineStatus; only Status leaves the framework.
#ifndef KIT_SECURITY_FRAMEWORK_STATUS_H
#define KIT_SECURITY_FRAMEWORK_STATUS_H

#include "security/framework/base.h"

// engine_status_to_status maps an engine code to the framework status the
// handlers report: 0 stays 0, the codes of the fixed table map to their
// statuses (ENGINE_CANCELLED -> 519, ENGINE_NO_MEMORY -> 518, ...), and every
// other nonzero code (ENGINE_RETRY included) becomes STATUS_BAD_DATA (520).
Status engine_status_to_status(EngineStatus code);

#endif  // KIT_SECURITY_FRAMEWORK_STATUS_H

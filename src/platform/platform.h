#pragma once
// The ports the core runs against. The DLL fills this with the Win32 adapters
// once per process; tests fill it with fakes. Ports a piece of code does not
// use may be left null.
#include "platform/registry.h"
#include "platform/system_messages.h"

namespace pq {

struct Platform {
  Registry* registry = nullptr;
  SystemMessages* messages = nullptr;
};

}  // namespace pq

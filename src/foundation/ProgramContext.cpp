#include "foundation/ProgramContext.h"

namespace {
ProgramContext& DefaultContext() {
  static ProgramContext ctx;
  return ctx;
}
ProgramContext* current = nullptr;
}  // namespace

ProgramContext& Program() { return current ? *current : DefaultContext(); }

ProgramScope::ProgramScope(ProgramContext& ctx) : previous_(current) { current = &ctx; }

ProgramScope::~ProgramScope() { current = previous_; }

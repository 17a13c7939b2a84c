#include "executor/run_state.h"

#include <memory>

#include "executor/executor.h"

namespace vantel {

ExecutorState gExec;

// Made afresh in place: the structure is large, a temporary would be copied.
void ResetExecutor() {
    std::destroy_at(&gExec);
    std::construct_at(&gExec);
}

} // namespace vantel

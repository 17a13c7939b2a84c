#include "executor/run_state.h"

#include "executor/executor.h"

namespace vantel {

ExecutorState gExec;

void ResetExecutor() {
    gExec = ExecutorState{};
}

} // namespace vantel

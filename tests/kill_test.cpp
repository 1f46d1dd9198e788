#include "tests/kill_test.h"

namespace {

TEST_F(KillTest, TerminatedBatchesLeaveWholeFilesAndNoHiddenOnes) {
    KillRandomly(SIGTERM);
}

TEST_F(KillTest, KilledBatchesLeaveWholeFilesAndTheNextRunCleansUp) {
    KillRandomly(SIGKILL);
}

}  // namespace

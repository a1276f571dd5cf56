#include "cli/Batch.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

TEST(ForEachInOrder, DeliversEveryIndexInOrderOnceItsWorkIsDone) {
    for (std::size_t count : {0, 1, 15, 16, 17, 100, 1000}) {
        std::vector<std::atomic<int>> worked(count);
        std::vector<std::size_t> delivered;
        cli::forEachInOrder(
            count,
            [&](std::size_t i) {
                // Uneven work, so that the helpers finish out of order.
                if (i % 7 == 0)
                    std::this_thread::yield();
                ++worked[i];
            },
            [&](std::size_t i) {
                EXPECT_EQ(worked[i].load(), 1) << i;
                delivered.push_back(i);
                return true;
            });
        ASSERT_EQ(delivered.size(), count);
        for (std::size_t i = 0; i < count; ++i) {
            EXPECT_EQ(delivered[i], i);
            EXPECT_EQ(worked[i].load(), 1);
        }
    }
}

TEST(ForEachInOrder, StopsWhenADeliveryFails) {
    // After a failed delivery nothing more is delivered (how much work was
    // under way by then depends on the threads' timing) and the call returns.
    const std::size_t count = 10000;
    for (std::size_t failing : {0, 5, 16, 700}) {
        std::vector<std::size_t> delivered;
        cli::forEachInOrder(
            count, [](std::size_t) {},
            [&](std::size_t i) {
                delivered.push_back(i);
                return i != failing;
            });
        ASSERT_EQ(delivered.size(), failing + 1);
        EXPECT_EQ(delivered.back(), failing);
    }
}

} // namespace

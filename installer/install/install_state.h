// What the installation's windows share with the install thread: written by the install
// thread and the progress window's Cancel, read by the progress window's timer and paint.
#pragma once

#include <atomic>

namespace nuvex {

struct InstallState {
    std::atomic<int> progressPercent{0};
    std::atomic<int> cancelFlag{0};
};

InstallState& Installation();

}  // namespace nuvex

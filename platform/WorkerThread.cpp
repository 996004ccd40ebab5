#include "platform/WorkerThread.h"

#include <exception>
#include <thread>

void RunBeside(const std::function<void()>& work, const std::function<void()>& meanwhile) {
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
    });
    meanwhile();
    worker.join();
    if (failure) {
        std::rethrow_exception(failure);
    }
}

#pragma once

#include <boost/context/detail/fcontext.hpp>
#include <boost/context/stack_context.hpp>
#include <cstddef>
#include <functional>

namespace fw {

// A stackful coroutine on the calling thread: its body runs on a stack of its own (8 MiB with
// a guard page, since a modal dialog may run on it) and can hand control back to whoever
// resumed it, to carry on later where it left off.
//
// Every switch also swaps the thread's record of exceptions being handled, so a body that
// gives way inside a catch block, or while a destructor runs during unwinding, cannot
// disturb the exception bookkeeping of the code it switches to; and every switch is
// announced to AddressSanitizer, which otherwise reports false stack errors.
class Fiber {
public:
    // The body must not let an exception escape: nothing could catch it on a fresh stack.
    explicit Fiber(std::function<void()> body);
    ~Fiber();
    Fiber(const Fiber&) = delete;
    Fiber& operator=(const Fiber&) = delete;

    // Runs the body until it suspends itself or returns. Called from outside the fiber.
    void resume();
    // Hands control back to the code that called resume(). Called from inside the fiber.
    void suspend();

    bool started() const { return started_; }
    bool finished() const { return finished_; }

private:
    // The per-thread record of exceptions in flight and being handled, as laid out by the
    // Itanium C++ ABI (__cxa_eh_globals).
    struct ExceptionRecord {
        void* caughtExceptions = nullptr;
        unsigned int uncaughtExceptions = 0;
    };

    static void entry(boost::context::detail::transfer_t from);
    // Swaps the live exception record with the one kept for the side not running.
    void exchangeExceptionRecord();
    const void* stackBottom() const;

    std::function<void()> body_;
    boost::context::stack_context stack_;
    boost::context::detail::fcontext_t self_ = nullptr;
    boost::context::detail::fcontext_t caller_ = nullptr;
    const void* callerStackBottom_ = nullptr;
    std::size_t callerStackSize_ = 0;
    ExceptionRecord otherSide_;
    bool started_ = false;
    bool finished_ = false;
};

} // namespace fw

#include "Fiber.h"

#include <boost/context/protected_fixedsize_stack.hpp>
#include <cstring>
#include <cxxabi.h>
#include <utility>

#if defined(__SANITIZE_ADDRESS__)
#define TOLVANE_ASAN_FIBERS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TOLVANE_ASAN_FIBERS 1
#endif
#endif

#ifdef TOLVANE_ASAN_FIBERS
#include <sanitizer/common_interface_defs.h>
#endif

namespace fw {

namespace {

namespace ctx = boost::context;

constexpr std::size_t stackSize = 8 * 1024 * 1024;

// AddressSanitizer must hear of every change of stack: before the jump, the stack being
// entered; after it, the fake stack of the side that arrives (none on a first arrival) and
// where the stack left behind lies. A null fakeStack slot on leaving means the stack being
// left is finished and its fake frames may go.
void startSwitch([[maybe_unused]] void** fakeStack, [[maybe_unused]] const void* bottom,
                 [[maybe_unused]] std::size_t size) {
#ifdef TOLVANE_ASAN_FIBERS
    __sanitizer_start_switch_fiber(fakeStack, bottom, size);
#endif
}

void finishSwitch([[maybe_unused]] void* fakeStack, [[maybe_unused]] const void** oldBottom,
                  [[maybe_unused]] std::size_t* oldSize) {
#ifdef TOLVANE_ASAN_FIBERS
    __sanitizer_finish_switch_fiber(fakeStack, oldBottom, oldSize);
#endif
}

} // namespace

Fiber::Fiber(std::function<void()> body)
    : body_(std::move(body))
    , stack_(ctx::protected_fixedsize_stack(stackSize).allocate()) {
    self_ = ctx::detail::make_fcontext(stack_.sp, stack_.size, &Fiber::entry);
}

Fiber::~Fiber() {
    ctx::protected_fixedsize_stack(stackSize).deallocate(stack_);
}

void Fiber::resume() {
    started_ = true;
    void* fakeStack = nullptr;
    startSwitch(&fakeStack, stackBottom(), stack_.size);
    exchangeExceptionRecord();
    const ctx::detail::transfer_t back = ctx::detail::jump_fcontext(self_, this);
    finishSwitch(fakeStack, nullptr, nullptr);
    self_ = back.fctx;
}

void Fiber::suspend() {
    void* fakeStack = nullptr;
    startSwitch(&fakeStack, callerStackBottom_, callerStackSize_);
    exchangeExceptionRecord();
    const ctx::detail::transfer_t back = ctx::detail::jump_fcontext(caller_, nullptr);
    finishSwitch(fakeStack, &callerStackBottom_, &callerStackSize_);
    caller_ = back.fctx;
}

void Fiber::entry(ctx::detail::transfer_t from) {
    auto* const fiber = static_cast<Fiber*>(from.data);
    finishSwitch(nullptr, &fiber->callerStackBottom_, &fiber->callerStackSize_);
    fiber->caller_ = from.fctx;

    fiber->body_();

    // Leave for good: the caller frees this stack once resume() returns, so nothing on it
    // may still need destroying here.
    fiber->finished_ = true;
    startSwitch(nullptr, fiber->callerStackBottom_, fiber->callerStackSize_);
    fiber->exchangeExceptionRecord();
    ctx::detail::jump_fcontext(fiber->caller_, nullptr);
}

void Fiber::exchangeExceptionRecord() {
    void* const live = abi::__cxa_get_globals();
    ExceptionRecord current;
    std::memcpy(&current, live, sizeof current);
    std::memcpy(live, &otherSide_, sizeof otherSide_);
    otherSide_ = current;
}

const void* Fiber::stackBottom() const {
    return static_cast<const char*>(stack_.sp) - stack_.size;
}

} // namespace fw

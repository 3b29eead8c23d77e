#pragma once
// Checks of the numbered invariants a module writes at its top, in builds without NDEBUG (the
// Debug and sanitizer builds the tests run in):
//
//   TAVLO_INVARIANT(2, number != 0);   // invariant 2 of this file's module
//
// A broken invariant is a fault in the program, never a state the operator can cause: the
// check writes the file, line, invariant number and condition to standard error and aborts.
// Failures that input or storage can cause are reported to the caller instead. With NDEBUG the
// condition is not evaluated (it is still compiled, so it cannot rot): a check must be free of
// side effects the program relies on.
namespace tavlo {

[[noreturn]] void invariantBroken(const char* file, int line, int number, const char* condition);

}  // namespace tavlo

#ifdef NDEBUG
#define TAVLO_INVARIANT(number, condition) static_cast<void>(sizeof(!(condition)))
#else
#define TAVLO_INVARIANT(number, condition) \
    ((condition) ? static_cast<void>(0) : ::tavlo::invariantBroken(__FILE__, __LINE__, (number), #condition))
#endif

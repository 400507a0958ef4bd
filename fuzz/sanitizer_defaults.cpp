// The sanitizers' defaults for every fuzzer. Each allocation's call stack is
// not recorded (malloc_context_size=0): the settings road makes thousands of
// small Qt allocations per input, and recording their stacks took a third of
// its time and let its memory grow by kilobytes per input. Every error is
// still found and reported with the stack where it happens; to see where a
// block of a reported fault was allocated or freed, run the fuzzer again on
// the saved input with ASAN_OPTIONS=malloc_context_size=30 (the environment
// overrides these defaults).

extern "C" const char* __asan_default_options() { return "malloc_context_size=0"; }

// Settings of the sanitizer builds (the tests and the program). Allocation
// failures are part of what the program handles, so they return null rather
// than abort; the font and X libraries keep caches for the life of the process.
extern "C" const char* __asan_default_options()
{
    return "allocator_may_return_null=1:detect_leaks=1";
}

// The count of suppressed leaks would follow the program's last line.
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }

extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\nleak:libX11.so\nleak:libcairo.so\n";
}

extern "C" const char* __ubsan_default_options() { return "print_stacktrace=1"; }

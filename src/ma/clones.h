#pragma once
// Loops that only pay when vectorised are built twice, for the machine's
// AVX2 vectors where it has them and for any x86-64; the loader picks one.
// (The sanitizers do not take functions of several targets.)

#if defined(__x86_64__) && !defined(__SANITIZE_ADDRESS__)
#define ZYT_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define ZYT_CLONES
#endif
